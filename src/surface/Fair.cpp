#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

void CMainFrame::FairModel() { PLIFORM_UNBUILT();}
void CMainFrame::ComputeVertexNormals() { PLIFORM_UNBUILT();}
void CMainFrame::TransformToView() { PLIFORM_UNBUILT();}
