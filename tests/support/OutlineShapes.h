#pragma once

#include <cmath>
#include <string>
#include <vector>

// The shapes of the outline corpus, before anybody draws them: closed curves in a
// frame with y up, at any position and scale and either way round (the drawing hand
// centres, scales and orients them).

struct OutlinePoint {
    double x = 0.0;
    double y = 0.0;
};

inline OutlinePoint operator+(OutlinePoint a, OutlinePoint b) { return {a.x + b.x, a.y + b.y}; }
inline OutlinePoint operator-(OutlinePoint a, OutlinePoint b) { return {a.x - b.x, a.y - b.y}; }
inline OutlinePoint operator*(double s, OutlinePoint a) { return {s * a.x, s * a.y}; }
inline double Norm(OutlinePoint a) { return std::hypot(a.x, a.y); }

using OutlinePath = std::vector<OutlinePoint>;  // closed: the last point joins the first

struct OutlineShape {
    std::string name;
    OutlinePath path;
};

// Stars, hearts, letters, animal heads and silhouettes, a hand, a bone, gears,
// crescents, lobed blobs and more, each from a formula or a few points, in a fixed
// order.
std::vector<OutlineShape> OutlineShapes();
