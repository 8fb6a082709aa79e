#pragma once

#include "app/MainFrame.h"
#include "surface/Ring.h"

// What the cut and the extrusion share: both remove the region that a closed curve
// encloses on one side and hand the curve's rings to the triangulation.
namespace edit {

// The two rings of a closed curve once the region it enclosed on one side is gone.
// `rim` runs against the kept triangles' rim edges and has been attached to them;
// `inner` runs the other way and waits for the patch that fills the hole. `filed`
// holds the triangles that stay at the curve's vertices, for SplitRingAmongFiled.
struct HoleRings {
    RingNode* rim = nullptr;
    RingNode* inner = nullptr;
    TrianglesAtVertices filed;
};

// Removes the region that `curve` (closed) encloses on the side of the triangle
// `start`: every vertex of the curve turns sharp and gets CUT_MARK in `work` x, the
// triangles reached from `start` without crossing the curve are freed with the
// vertices inside, those vertices are cut out of every curve, and the curve's rim
// ring is attached to the triangles that stay. False when the curve does not bound
// such a region along its own edges; the model is then partly changed, no ring is
// left over, and the caller restores its snapshot. The triangles that stay at the
// vertices of `alongside` (another curve the patch will share, when given) are filed
// in `hole` too.
bool CutOutRegion(CMainFrame& frame, Curve* curve, Triangle* start, HoleRings& hole,
                  const Curve* alongside = nullptr);

// Frees every node of a closed ring that no triangulation has consumed.
void FreeRing(RingNode* ring);

}  // namespace edit
