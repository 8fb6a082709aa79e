#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::OnDisplayMode(int) { PLIFORM_UNBUILT();}
void CMainFrame::OnShowControlVertices() { PLIFORM_UNBUILT();}
void CMainFrame::OnTool(int) { PLIFORM_UNBUILT();}
void CMainFrame::OnAutoCenter() { PLIFORM_UNBUILT();}
void CMainFrame::OnFileNew() { PLIFORM_UNBUILT();}
