#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::BeginStroke() { PLIFORM_UNBUILT();}
void CMainFrame::ExtendStroke() { PLIFORM_UNBUILT();}
void CMainFrame::ClassifyStroke() { PLIFORM_UNBUILT();}
void CMainFrame::DropNewestStroke(int) { PLIFORM_UNBUILT();}
