#pragma once

#include "app/MainFrame.h"

// The renderer's pieces that a second way of sending the mesh needs: the render test
// that holds the vertex arrays against one call per vertex draws everything else of
// the frame through these very functions, so the two pictures can differ only in how
// the triangles reach OpenGL. Nothing else outside the renderer uses them.
namespace renderer_parts {

// Sends the frame's triangles to OpenGL, as surfaces (`surfaces`) or as edges. Called
// with lighting on and the view rotation on the model-view matrix.
using MeshDrawer = void (*)(const Triangle* triangles, bool surfaces);

// RenderScene with the mesh sent by `drawMesh`: the state set up from the frame, the
// stroke, the control curves and the orientation marker exactly as RenderScene draws
// them.
void RenderSceneWith(const CMainFrame& frame, double devicePixelRatio, MeshDrawer drawMesh);

// The normal each corner of `t` is lit with in Surfaces, in corner order: its own,
// except that a sharp vertex takes the triangle's facet normal, which shows the
// crease. A triangle without area has none; its sharp corners then keep their own
// normal rather than send an undefined one to the light. `face` holds the facet normal
// the pointers may point to.
void SurfaceNormals(const Triangle* t, Vec3& face, const Vec3* normals[3]);

}  // namespace renderer_parts
