#include "app/MainFrame.h"
#include <cstdlib>

// Placeholder until this area is built; replaced by the real operations.
#define PLIFORM_UNBUILT() std::abort()

const MenuItemDef kMenuBar[] = {{nullptr, 0, nullptr, 0, false}};
const int kMenuBarCount = 0;
const AcceleratorDef kAccelerators[] = {{'1', 0}};
const int kAcceleratorCount = 0;
const CursorDef* FindCursor(int) { PLIFORM_UNBUILT(); return nullptr; }
void DrawAppIcon(int, uint32_t*) { PLIFORM_UNBUILT();}
