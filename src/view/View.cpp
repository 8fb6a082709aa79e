#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::OnSize(int, int) { PLIFORM_UNBUILT();}
void CMainFrame::UpdateProjection() { PLIFORM_UNBUILT();}
void CMainFrame::OnViewTop() { PLIFORM_UNBUILT();}
void CMainFrame::OnViewBottom() { PLIFORM_UNBUILT();}
void CMainFrame::OnViewSide() { PLIFORM_UNBUILT();}
