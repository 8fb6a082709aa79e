#pragma once

#include <array>
#include <utility>
#include <vector>

#include "app/MainFrame.h"

// Small models built in code for the tests. Records are pushed onto the frame's
// lists the way the program pushes them (newest first).

struct BuiltMesh {
    std::vector<Vertex*> vertices;     // in the order of the positions given
    std::vector<Triangle*> triangles;  // in the order of the faces given
};

// Adds the vertices (the last one given ends up at the head of the list) and the
// faces (likewise), links neighbours across shared edges (an edge without a partner
// keeps a null neighbour) and gives every vertex the mean of its face normals.
BuiltMesh BuildMesh(CMainFrame& frame, const std::vector<Vec3>& positions,
                    const std::vector<std::array<int, 3>>& faces);

// A closed sphere: icosahedron subdivided `subdivisions` times, corners counter-
// clockwise seen from outside. Sets ModelState 2.
BuiltMesh MakeIcosphere(CMainFrame& frame, double radius, int subdivisions,
                        Vec3 centre = {0, 0, 0});

// Pushes a curve of the given kind over the vertices, in order, at the head of the
// curve list, and gives those vertices `vertexKind` (1 smooth by default).
Curve* AddCurve(CMainFrame& frame, const std::vector<Vertex*>& vertices, int kind,
                int vertexKind = kSmoothVertex);

// Pushes a stroke of the given samples (view-plane x, y in `work`) as the head of the
// curve list, its vertices at the front of the vertex list, the way stroke capture
// pushes them. `kind` 0 is a stroke being drawn; 1 or 2 a stroke handed to placing.
Curve* PushStroke(CMainFrame& frame, const std::vector<std::pair<double, double>>& points,
                  int kind = kStrokeCurve);

// The smallest box round the positions of every vertex in the list.
struct Bounds {
    Vec3 lo, hi;
};
Bounds ModelBounds(const CMainFrame& frame);

// Counts of the three lists.
int CountVertices(const CMainFrame& frame);
int CountCurves(const CMainFrame& frame);
int CountTriangles(const CMainFrame& frame);
int CountLinks(const Curve* curve);
