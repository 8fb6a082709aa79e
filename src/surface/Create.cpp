#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::CloseAndPlace() { PLIFORM_UNBUILT();}
void CMainFrame::KeepOpenAndPlace() { PLIFORM_UNBUILT();}
void CMainFrame::PlanarLifting() { PLIFORM_UNBUILT();}
