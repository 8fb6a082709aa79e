#pragma once

#include "app/MainFrame.h"

// The renderer as it was written first: every vertex of the mesh sent with its own
// glNormal3d and glVertex3d, one line loop per triangle in Edges. Kept as the
// yardstick for the array drawing of RenderScene, which must give the same pixels.
void ReferenceRenderScene(const CMainFrame& frame, double devicePixelRatio = 1.0);
