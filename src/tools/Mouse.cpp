#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::OnLButtonDown(unsigned, CPoint) { PLIFORM_UNBUILT();}
void CMainFrame::OnLButtonUp(unsigned, CPoint) { PLIFORM_UNBUILT();}
void CMainFrame::OnMouseMove(unsigned, CPoint) { PLIFORM_UNBUILT();}
void CMainFrame::OnRButtonDown(unsigned, CPoint) { PLIFORM_UNBUILT();}
void CMainFrame::OnRButtonUp(unsigned, CPoint) { PLIFORM_UNBUILT();}
bool CMainFrame::OnMouseWheel(unsigned, short, CPoint) { PLIFORM_UNBUILT(); return true; }
