#pragma once

#include <vector>

#include "app/MainFrame.h"

// True when PickTriangle would find a triangle under some link of the chain that
// starts at curve->first and runs to null; the answer PickTriangle gives link by link,
// got in one pass over the triangles instead of one pass per link. Reads the same
// fields as PickTriangle and changes nothing.
bool AnyLinkOverTriangle(const CMainFrame& frame, const Curve* curve);

// Appends x and y of the `work` of every link of the chain that has a vertex.
void ReadLinkPoints(const Curve* curve, std::vector<double>& x, std::vector<double>& y);

// The same answer for the points (x[i], y[i]) read from the links' `work` beforehand,
// over the triangles from `triangles` on. Reads only the triangles and their corners'
// `work`, so it may run while another thread changes other fields.
bool AnyPointOverTriangle(const Triangle* triangles, std::vector<double> x, std::vector<double> y);
