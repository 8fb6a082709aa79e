#pragma once

#include "app/MainFrame.h"

// The renderer with the mesh sent as it was written first: every vertex with its own
// glNormal3d and glVertex3d, one line loop per triangle in Edges. Everything else of
// the frame is drawn by the renderer's own code, so it is the yardstick for the vertex
// arrays of RenderScene alone, which must give the same pixels.
void ReferenceRenderScene(const CMainFrame& frame, double devicePixelRatio = 1.0);
