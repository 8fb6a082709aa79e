#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

CMainFrame::CMainFrame(IPlatform* platform) : m_pPlatform(platform) {}
CMainFrame::~CMainFrame() {}
int CMainFrame::OnCreate() { PLIFORM_UNBUILT(); return 0; }
void CMainFrame::ComputeViewMatrix() { PLIFORM_UNBUILT();}
bool CMainFrame::OnCommand(int) { PLIFORM_UNBUILT(); return false; }
