#include "app/MainFrame.h"
#include "model/Snapshot.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

ModelSnapshot::ModelSnapshot(const CMainFrame&) { PLIFORM_UNBUILT();}
ModelSnapshot::~ModelSnapshot() {}
void ModelSnapshot::Restore(CMainFrame&) { PLIFORM_UNBUILT();}
