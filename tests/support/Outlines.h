#pragma once

#include <string>
#include <vector>

#include "app/MainFrame.h"

// Outlines as a user draws them on the empty scene, in client pixels of a 600 by 600
// window (y down): mouse samples a few to about fifteen pixels apart, shaky by a pixel
// or two, begun on a smooth stretch and let go a little short of the start.

struct Outline {
    std::string name;
    std::vector<CPoint> pixels;
};

// The corpus: every shape of OutlineShapes drawn that way. The two sizes are the
// distance, in pixels, from the middle of the window to the shape's farthest point.
constexpr double kLargeOutline = 230.0;
constexpr double kSmallOutline = 140.0;

// Every shape of the corpus, in a fixed order, drawn at `radius` pixels anticlockwise
// or clockwise on screen. The same arguments always give the same pixels.
std::vector<Outline> DrawOutlines(double radius, bool clockwise);

// The area the pixels enclose, closing the gap from the last back to the first;
// positive when they run anticlockwise on screen.
double EnclosedArea(const std::vector<CPoint>& pixels);
