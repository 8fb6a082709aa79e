#pragma once

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "support/TestFrame.h"

// Checks of a model at rest that ValidateModel's structure cannot see: a surface that
// runs through itself, and a first body whose front turns away from the viewer.
// Both read the frame's lists and change nothing. Triangles are named by their
// position in the triangle list (0 is the newest).

struct IntersectingPair {
    int first = 0;  // the smaller position
    int second = 0;
    Vec3 near;  // midway between the two triangles' centres, to find the place
};

struct SelfIntersectionReport {
    int triangles = 0;
    // Triangles whose corners lie on one line: they have no side to face. A triangle
    // of zero area is tested as the segment it covers against triangles with which it
    // shares no corner, and not at all otherwise.
    int degenerate = 0;
    std::vector<IntersectingPair> pairs;  // ordered by first, then second
    // The counts and the first few pairs, for a failure message.
    std::string Text() const;
};

// Every pair of triangles that meet although they share no edge. A pair that shares
// one corner counts only when the two meet somewhere other than that corner. Pairs that
// share an edge are left out: a fold there is a face turned over, which
// ReversedFrontFaces sees. Closed triangles are tested, so a corner resting on another
// triangle counts; orientations within rounding of zero are taken as zero, so faces the
// program lays flat (the cap of a cut) are compared in their plane.
SelfIntersectionReport SelfIntersections(const CMainFrame& frame);

struct FrontFaceReport {
    // Why the front could not be told (not a single closed outline, outline off the
    // view plane, outline not dividing the surface in two); empty when it was checked.
    std::string problem;
    int faces = 0;  // parts the outline divides the surface into
    int frontTriangles = 0;
    // Front triangles seen from behind on screen where the surface folds, in order.
    std::vector<int> reversed;
    // Of those, how many stand on the outline (have an edge on it), and how far the
    // worst one leans past edge-on: a rim face leaning a few degrees over is another
    // fault than a face turned over by a fold.
    int onOutline = 0;
    double worstDegrees = 0.0;
    std::string Text() const;
};

// For a first body seen from the view that drew it: the model's one curve is the
// closed outline, on the view plane z = 0. The surface is divided along the outline's
// edges; on the part toward the viewer, every triangle whose corners do not run
// counter-clockwise on screen (the program's convention seen from outside), beyond a
// slack of a thousandth of its area (a sixteenth of a degree past edge-on), and that
// points more than a right angle away from one of its neighbours, is reported: a fold.
// A body bulges smoothly a little past its outline where the outline turns in; those
// faces lean over together with their neighbours and are not folds.
FrontFaceReport ReversedFrontFaces(const CMainFrame& frame);

// What the checks above find wrong with a model at rest, for a failure message: the
// intersecting pairs, triangles of zero area and, when `firstBody`, the reversed front
// faces or why the front could not be told. Empty for a sound model.
std::string SoundnessFaults(const CMainFrame& frame, bool firstBody);
