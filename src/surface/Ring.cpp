#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

RingNode* CMainFrame::RingFromCurve(Curve*) { PLIFORM_UNBUILT(); return nullptr; }
RingNode* CMainFrame::TwinRing(RingNode*) { PLIFORM_UNBUILT(); return nullptr; }
void CMainFrame::SplitRing(RingNode*, int) { PLIFORM_UNBUILT();}
