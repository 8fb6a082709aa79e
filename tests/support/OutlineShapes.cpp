#include "support/OutlineShapes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

namespace {

constexpr double kPi = 3.14159265358979323846;

using P = OutlinePoint;
using Path = OutlinePath;

Path Polar(const std::function<double(double)>& radius, int samples = 480) {
    Path path;
    for (int i = 0; i < samples; ++i) {
        const double a = 2 * kPi * i / samples;
        const double r = radius(a);
        path.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return path;
}

Path Parametric(const std::function<P(double)>& point, int samples = 480) {
    Path path;
    for (int i = 0; i < samples; ++i) path.push_back(point(2 * kPi * i / samples));
    return path;
}

// Corners at the x, y pairs.
Path Polygon(std::initializer_list<double> xy) {
    Path path;
    for (auto p = xy.begin(); p + 1 < xy.end(); p += 2) path.push_back({p[0], p[1]});
    return path;
}

// A star of `points` tips at radius 1 and notches at `ratio`.
Path Star(int points, double ratio) {
    Path path;
    for (int k = 0; k < 2 * points; ++k) {
        const double a = kPi / 2 + kPi * k / points;
        const double r = k % 2 == 0 ? 1.0 : ratio;
        path.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return path;
}

void AppendArc(Path& path, P centre, double r, double from, double to) {
    const int n = std::max(2, static_cast<int>(std::abs(to - from) * r * 60));
    for (int i = 0; i < n; ++i) {
        const double a = from + (to - from) * i / n;
        path.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
    }
}

struct Circle {
    P c;
    double r = 1.0;
};

// Where the boundaries of two overlapping circles cross, the point to the right of
// the way from a's centre to b's.
P RightCrossing(const Circle& a, const Circle& b) {
    const P d = b.c - a.c;
    const double dist = Norm(d);
    const double along = (a.r * a.r - b.r * b.r + dist * dist) / (2 * dist);
    const double across = std::sqrt(std::max(0.0, a.r * a.r - along * along));
    const P u = (1.0 / dist) * d;
    return a.c + along * u + across * P{u.y, -u.x};
}

double AngleOn(const Circle& c, P p) { return std::atan2(p.y - c.c.y, p.x - c.c.x); }

// Along c from p to q, anticlockwise or clockwise.
void AppendArcBetween(Path& path, const Circle& c, P p, P q, bool clockwise = false) {
    const double from = AngleOn(c, p);
    double to = AngleOn(c, q);
    if (clockwise)
        while (to >= from) to -= 2 * kPi;
    else
        while (to <= from) to += 2 * kPi;
    AppendArc(path, c.c, c.r, from, to);
}

// The outside of a ring of overlapping circles (x, y, radius), each overlapping the next
// and the last the first, listed anticlockwise round the shape.
Path CircleChain(std::initializer_list<double> xyr) {
    std::vector<Circle> circles;
    for (auto c = xyr.begin(); c + 2 < xyr.end(); c += 3) circles.push_back({{c[0], c[1]}, c[2]});
    Path path;
    const size_t n = circles.size();
    for (size_t i = 0; i < n; ++i) {
        const Circle& prev = circles[(i + n - 1) % n];
        const Circle& c = circles[i];
        const Circle& next = circles[(i + 1) % n];
        AppendArcBetween(path, c, RightCrossing(prev, c), RightCrossing(c, next));
    }
    return path;
}

// The outline of two overlapping circles cut where their boundaries cross: a's arc
// outside b then b's arc inside a (what is left of a when b is taken away, a crescent),
// or, `overlap`, a's arc inside b then b's inside a (where they overlap: a lens,
// pointed at both ends).
Path TwoArcs(const Circle& a, const Circle& b, bool overlap) {
    Path path;
    const P in = RightCrossing(b, a);
    const P out = RightCrossing(a, b);
    if (overlap) {
        AppendArcBetween(path, a, out, in);
        AppendArcBetween(path, b, in, out);
    } else {
        AppendArcBetween(path, a, in, out);
        AppendArcBetween(path, b, out, in, true);
    }
    return path;
}

Path Crescent(const Circle& a, const Circle& b) { return TwoArcs(a, b, false); }

Path Lens(const Circle& a, const Circle& b) { return TwoArcs(a, b, true); }

// A band of half-width `half` either side of an open centre line, with square ends.
Path Band(const Path& centre, double half) {
    Path left, right;
    for (size_t i = 0; i < centre.size(); ++i) {
        const P a = centre[i == 0 ? 0 : i - 1];
        const P b = centre[i + 1 < centre.size() ? i + 1 : i];
        const P t = (1.0 / Norm(b - a)) * (b - a);
        const P n{-t.y, t.x};
        left.push_back(centre[i] + half * n);
        right.push_back(centre[i] - half * n);
    }
    Path path(right.begin(), right.end());
    path.insert(path.end(), left.rbegin(), left.rend());
    return path;
}

void AppendLine(Path& path, P a, P b) {
    const int n = std::max(1, static_cast<int>(Norm(b - a) * 60));
    for (int i = 0; i < n; ++i) path.push_back(a + (static_cast<double>(i) / n) * (b - a));
}

struct Knot {
    double x = 0.0;
    double y = 0.0;
    bool sharp = false;
};

// Knots from x, y pairs; the knots numbered in `sharp` are sharp.
std::vector<Knot> Knots(std::initializer_list<double> xy, std::initializer_list<size_t> sharp) {
    std::vector<Knot> knots;
    for (auto p = xy.begin(); p + 1 < xy.end(); p += 2) knots.push_back({p[0], p[1]});
    for (size_t k : sharp) knots[k].sharp = true;
    return knots;
}

// A closed Catmull-Rom curve through the knots; a sharp knot gets no tangent, so the
// curve turns there in a point.
Path Spline(const std::vector<Knot>& knots) {
    Path path;
    const size_t n = knots.size();
    auto at = [&](size_t i) { return P{knots[i % n].x, knots[i % n].y}; };
    auto tangent = [&](size_t i) {
        return knots[i % n].sharp ? P{} : 0.5 * (at(i + 1) - at(i + n - 1));
    };
    for (size_t i = 0; i < n; ++i) {
        const P p0 = at(i), p1 = at(i + 1);
        const P m0 = tangent(i), m1 = tangent(i + 1);
        const int steps = std::max(8, static_cast<int>(Norm(p1 - p0) * 80));
        for (int s = 0; s < steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double t2 = t * t, t3 = t2 * t;
            path.push_back((2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + t) * m0 +
                           (-2 * t3 + 3 * t2) * p1 + (t3 - t2) * m1);
        }
    }
    return path;
}

// The right half of a symmetric shape, from the bottom of the middle line to its top,
// completed by its mirror image.
std::vector<Knot> Mirrored(const std::vector<Knot>& right) {
    std::vector<Knot> all = right;
    for (size_t i = right.size() - 1; i-- > 1;)
        all.push_back({-right[i].x, right[i].y, right[i].sharp});
    return all;
}

// ---- The corpus ----

Path Heart(double wide) {
    return Parametric([wide](double t) {
        const double s = std::sin(t);
        return P{wide * 16 * s * s * s,
                 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t)};
    });
}

// Teeth with sloping flanks, `depth` deep.
Path Gear(int teeth, double depth) {
    return Polar(
        [=](double a) {
            const double u = a * teeth / (2 * kPi) - std::floor(a * teeth / (2 * kPi));
            const double top = 1.0, root = 1.0 - depth;
            if (u < 0.3) return top;
            if (u < 0.5) return top + (root - top) * (u - 0.3) / 0.2;
            if (u < 0.8) return root;
            return root + (top - root) * (u - 0.8) / 0.2;
        },
        teeth * 60);
}

Path Lobes(int lobes, double amount) {
    return Polar([=](double a) { return 1.0 + amount * std::cos(lobes * a); });
}

Path ThickC() {
    Path centre;
    AppendArc(centre, {0, 0}, 0.8, 0.25 * kPi, 1.75 * kPi);
    return Band(centre, 0.2);
}

Path ThickS() {
    Path centre;
    AppendArc(centre, {0, 0.45}, 0.45, 0.1 * kPi, 1.5 * kPi);
    AppendArc(centre, {0, -0.45}, 0.45, 0.5 * kPi, -0.9 * kPi);
    return Band(centre, 0.17);
}

Path ThickU() {
    Path centre;
    AppendLine(centre, {-0.55, 1.0}, {-0.55, -0.25});
    AppendArc(centre, {0, -0.25}, 0.55, kPi, 2 * kPi);
    AppendLine(centre, {0.55, -0.25}, {0.55, 1.0});
    centre.push_back({0.55, 1.0});
    return Band(centre, 0.2);
}

Path ThickJ() {
    Path centre;
    AppendLine(centre, {0.35, 1.0}, {0.35, -0.35});
    AppendArc(centre, {-0.15, -0.35}, 0.5, 0.0, -0.9 * kPi);
    return Band(centre, 0.18);
}

// Palm and five fingers, each finger a rounded strip fanned out from the palm.
Path Hand() {
    std::vector<Knot> knots = Knots({0.45, -1.0, 0.55, -0.45}, {});
    struct Finger {
        double baseX, angle, length;
    };
    const Finger fingers[] = {
        {0.42, -38, 0.55}, {0.27, -14, 0.8}, {0.05, 0, 0.9}, {-0.17, 14, 0.82}, {-0.39, 28, 0.62}};
    const double half = 0.085;
    for (size_t k = 0; k < std::size(fingers); ++k) {
        const Finger& f = fingers[k];
        const double a = f.angle * kPi / 180;
        const P dir{-std::sin(a), std::cos(a)};
        const P side{dir.y, -dir.x};
        // The thumb leaves the palm lower down.
        const P base{f.baseX, k == 0 ? -0.35 : 0.0};
        const P tip = base + f.length * dir;
        knots.push_back({(base + half * side).x, (base + half * side).y, true});
        knots.push_back({(tip + half * side).x, (tip + half * side).y});
        knots.push_back({(tip + half * dir).x, (tip + half * dir).y});
        knots.push_back({(tip - half * side).x, (tip - half * side).y});
        knots.push_back({(base - half * side).x, (base - half * side).y, true});
    }
    knots.push_back({-0.55, -0.4});
    knots.push_back({-0.45, -1.0});
    return Spline(knots);
}

}  // namespace

std::vector<OutlineShape> OutlineShapes() {
    return {
        {"star5-50", Star(5, 0.5)},
        {"star5-40", Star(5, 0.4)},
        {"star6-55", Star(6, 0.55)},
        {"star6-40", Star(6, 0.4)},
        {"star7-60", Star(7, 0.6)},
        {"star7-45", Star(7, 0.45)},
        {"star8-70", Star(8, 0.7)},
        {"star8-40", Star(8, 0.4)},
        {"heart", Heart(1.0)},
        {"heart-wide", Heart(1.35)},
        {"letter-L", Polygon({-0.5, 1, -0.1, 1, -0.1, -0.6, 0.6, -0.6, 0.6, -1, -0.5, -1})},
        {"letter-T",
         Polygon({-0.8, 1, -0.8, 0.6, -0.2, 0.6, -0.2, -1, 0.2, -1, 0.2, 0.6, 0.8, 0.6, 0.8, 1})},
        {"letter-E",
         Polygon({-0.6, 1,     -0.6, -1,   0.6,  -1,   0.6,  -0.62, -0.2, -0.62, -0.2, -0.19,
                  0.45, -0.19, 0.45, 0.19, -0.2, 0.19, -0.2, 0.62,  0.6,  0.62,  0.6,  1})},
        {"letter-F", Polygon({-0.6, 1,    -0.6, -1,   -0.2, -1,   -0.2, -0.19, 0.4, -0.19,
                              0.4,  0.19, -0.2, 0.19, -0.2, 0.62, 0.6,  0.62,  0.6, 1})},
        {"letter-H", Polygon({-0.7, 1,  -0.7, -1, -0.3, -1, -0.3, -0.2, 0.3,  -0.2, 0.3,  -1,
                              0.7,  -1, 0.7,  1,  0.3,  1,  0.3,  0.2,  -0.3, 0.2,  -0.3, 1})},
        {"letter-C", ThickC()},
        {"letter-S", ThickS()},
        {"letter-U", ThickU()},
        {"letter-J", ThickJ()},
        // Body, a tail with two points, head to the right.
        {"fish", Spline(Knots({1.0,   0.0,   0.7,  0.38,  0.2,   0.52,  -0.3, 0.38,
                               -0.55, 0.16,  -1.0, 0.55,  -0.85, 0.0,   -1.0, -0.55,
                               -0.55, -0.16, -0.3, -0.38, 0.2,   -0.52, 0.7,  -0.38},
                              {4, 5, 6, 7, 8}))},
        // A round face with two pointed ears.
        {"cat-head",
         Spline(Mirrored(Knots(
             {0, -0.8, 0.5, -0.7, 0.8, -0.3, 0.82, 0.2, 0.75, 0.95, 0.4, 0.55, 0, 0.55}, {4, 5})))},
        // A round face with two round ears.
        {"bear-head",
         CircleChain({0, -0.15, 0.75, 0.62, 0.6, 0.32, 0, -0.15, 0.75, -0.62, 0.6, 0.32})},
        // Side on, beak to the right, a forked tail.
        {"bird", Spline(Knots({1.0,  0.3,   0.68, 0.52, 0.45,  0.58, 0.25, 0.42, -0.2,  0.3,
                               -0.6, 0.2,   -1.0, 0.45, -0.82, 0.0,  -1.0, -0.3, -0.55, -0.15,
                               -0.1, -0.42, 0.35, -0.3, 0.62,  0.12, 0.8,  0.2},
                              {0, 5, 6, 7, 8, 9, 12}))},
        // A head with two long ears.
        {"rabbit",
         Spline(Mirrored(Knots({0,   -0.9, 0.45, -0.8, 0.6,  -0.4, 0.45, -0.05, 0.33, 0.1,
                                0.5, 0.85, 0.38, 1.05, 0.22, 0.85, 0.13, 0.15,  0,    0.12},
                               {4, 8})))},
        {"hand", Hand()},
        // Two knobs at each end of a slightly waisted shaft.
        {"bone", CircleChain({0, 1.82, 2.0, 0.75, -0.22, 0.25, 0.75, 0.22, 0.25, 0, -1.82, 2.0,
                              -0.75, 0.22, 0.25, -0.75, -0.22, 0.25})},
        {"cross", Polygon({-0.3, 1,  -0.3, 0.3,  -1, 0.3,  -1, -0.3, -0.3, -0.3, -0.3, -1,
                           0.3,  -1, 0.3,  -0.3, 1,  -0.3, 1,  0.3,  0.3,  0.3,  0.3,  1})},
        {"gear-10", Gear(10, 0.22)},
        {"gear-16", Gear(16, 0.14)},
        {"crescent", Crescent({{0, 0}, 1.0}, {{0.45, 0.1}, 0.85})},
        {"crescent-thin", Crescent({{0, 0}, 1.0}, {{0.3, 0.0}, 0.95})},
        {"blob-3", Lobes(3, 0.25)},
        {"blob-4", Lobes(4, 0.2)},
        {"blob-5", Lobes(5, 0.15)},
        {"blob-7", Lobes(7, 0.1)},
        {"peanut", Lobes(2, 0.35)},
        {"circle", Polar([](double) { return 1.0; })},
        {"ellipse", Parametric([](double t) {
             return P{std::cos(t), 0.45 * std::sin(t)};
         })},
        {"leaf", Lens({{0.2, -0.45}, 1.0}, {{-0.2, 0.45}, 1.0})},
        {"arrow", Polygon({-1, 0.2, -1, -0.2, 0.2, -0.2, 0.2, -0.55, 1, 0, 0.2, 0.55, 0.2, 0.2})},
        {"lightning",
         Polygon({0.05, 1, -0.5, -0.15, -0.05, -0.15, -0.3, -1, 0.6, 0.3, 0.15, 0.3, 0.6, 1})},
        {"tree", Polygon({0,    1,    -0.45, 0.45, -0.25, 0.45, -0.65, -0.1, -0.4, -0.1,
                          -0.8, -0.6, -0.13, -0.6, -0.13, -1,   0.13,  -1,   0.13, -0.6,
                          0.8,  -0.6, 0.4,   -0.1, 0.65,  -0.1, 0.25,  0.45, 0.45, 0.45})},
        {"house", Polygon({0, 1, -0.8, 0.2, -0.6, 0.2, -0.6, -0.9, 0.6, -0.9, 0.6, 0.2, 0.8, 0.2})},
        {"triangle", Polygon({0, 1, -0.87, -0.5, 0.87, -0.5})},
        {"teardrop", Parametric([](double t) {
             return P{0.8 * std::sin(t) * std::sin(t / 2), std::cos(t)};
         })},
        {"cloud", CircleChain({-0.55, -0.15, 0.4, 0.05, -0.25, 0.42, 0.6, -0.1, 0.38, 0.45, 0.35,
                               0.36, -0.05, 0.45, 0.42, -0.6, 0.3, 0.32})},
        {"kidney", Spline(Knots({0.0, -0.55, 0.7,  -0.5, 1.0,  0.0, 0.7,  0.5, 0.3,  0.45,
                                 0.0, 0.25,  -0.3, 0.45, -0.7, 0.5, -1.0, 0.0, -0.7, -0.5},
                                {}))},
    };
}
