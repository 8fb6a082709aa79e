#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

Vertex* CMainFrame::PickVertex(int) { PLIFORM_UNBUILT(); return nullptr; }
Triangle* CMainFrame::PickTriangle(CurveLink*) { PLIFORM_UNBUILT(); return nullptr; }
