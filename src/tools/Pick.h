#pragma once

#include "app/MainFrame.h"

// True when PickTriangle would find a triangle under some link of the chain that
// starts at curve->first and runs to null; the answer PickTriangle gives link by link,
// got in one pass over the triangles instead of one pass per link. Reads the same
// fields as PickTriangle and changes nothing.
bool AnyLinkOverTriangle(const CMainFrame& frame, const Curve* curve);
