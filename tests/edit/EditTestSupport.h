#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

// Helpers of the cut and extrusion tests: regions of a built mesh and their border
// curves, strokes pushed the way stroke capture pushes them, and a comparable
// print of a whole model. The frames are TestFrame's (600 by 600, as the window
// makes them), turned with Turn; Auto Center starts off, so positions can be compared.

// The model direction that points along the view's x axis / towards the viewer.
Vec3 ViewRight(const CMainFrame& frame);
Vec3 ViewToward(const CMainFrame& frame);

// The border of a region of triangles as one closed chain of vertices, in the
// direction the region's triangles run along it. Empty when the border is not a
// single simple loop.
std::vector<Vertex*> RegionBorder(const BuiltMesh& mesh,
                                  const std::function<bool(const Triangle*)>& inRegion);

// The triangles whose centroids lie beyond `height` along `axis`, with the height
// raised by `step` until the region's border is one simple loop that no mesh edge
// cuts across (no edge joins two border vertices that are not neighbours on it),
// like the curves the embedding leaves. Empty if no height up to `limit` works.
std::set<const Triangle*> CleanCap(const BuiltMesh& mesh, Vec3 axis, double height, double step,
                                   double limit);

// Vertices that are corners only of region triangles (the region's interior).
std::set<Vertex*> RegionInterior(const BuiltMesh& mesh,
                                 const std::function<bool(const Triangle*)>& inRegion);

// Pushes a stroke (kind 0) with samples in `work` x, y at the head of the curve
// list, its vertices at the front of the vertex list, newest first.
Curve* PushStroke(CMainFrame& frame, const std::vector<Vec3>& viewPoints);

// Samples on the straight line from a to b, at most `step` apart, both ends
// included.
std::vector<Vec3> SampleSegment(Vec3 a, Vec3 b, double step);

// A profile stroke for a loop seen edge-on whose highest and lowest vertices on
// screen are `top` and `bottom` (view points): from 6 units above the top, out to
// the right round a wide arc, to 6 units below the bottom, samples about 10 apart.
// It leaves the top heading up and outwards.
std::vector<Vec3> ArcProfile(const Vec3& top, const Vec3& bottom);

// Everything that makes two models equal: positions, normals and kinds in list
// order, faces and neighbours by list index, curves as vertex indices, ModelState.
std::string PrintModel(const CMainFrame& frame);

// Every vertex of the list is a corner of some triangle, and none has kind 3; no
// triangle carries a mark. Returns "" or what is wrong.
std::string CheckNoLeftovers(const CMainFrame& frame);

// Reads an OBJ file and returns "" when every directed edge of its faces occurs
// once and its reverse occurs once too (a closed, consistently oriented mesh).
std::string CheckObjClosed(const std::string& path, int* faces = nullptr);
