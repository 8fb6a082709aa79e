#include "support/Outlines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "support/OutlineShapes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using P = OutlinePoint;
using Path = OutlinePath;

double CrossZ(P a, P b) { return a.x * b.y - a.y * b.x; }

double SignedArea(const Path& path) {
    double a = 0.0;
    for (size_t i = 0; i < path.size(); ++i) a += CrossZ(path[i], path[(i + 1) % path.size()]);
    return 0.5 * a;
}

// Centred on the middle of its bounding box, scaled to reach distance 1, anticlockwise
// (y up).
Path Normalised(Path path) {
    P lo = path[0], hi = path[0];
    for (const P& p : path) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    const P middle = 0.5 * (lo + hi);
    double reach = 0.0;
    for (const P& p : path) reach = std::max(reach, Norm(p - middle));
    for (P& p : path) p = (1.0 / reach) * (p - middle);
    if (SignedArea(path) < 0) std::reverse(path.begin(), path.end());
    return path;
}

// ---- The hand that draws ----

// SplitMix64: the same numbers on every platform and standard library.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // A shake of the hand: mostly within a pixel, now and then two.
    int Shake() {
        const double u = Uniform();
        const int size = Uniform() < 0.15 ? 2 : 1;
        return u < 0.3 ? -size : u < 0.7 ? 0 : size;
    }

private:
    uint64_t m_state;
};

// The path in pixels, with points at most a pixel apart, so that arc length and
// turning can be read off it.
Path Dense(const Path& unit, double radius) {
    Path path;
    for (size_t i = 0; i < unit.size(); ++i) {
        const P a{300 + radius * unit[i].x, 300 - radius * unit[i].y};
        const P u = unit[(i + 1) % unit.size()];
        const P b{300 + radius * u.x, 300 - radius * u.y};
        const int n = std::max(1, static_cast<int>(std::ceil(Norm(b - a))));
        for (int k = 0; k < n; ++k) path.push_back(a + (static_cast<double>(k) / n) * (b - a));
    }
    return path;
}

// Turning at every point of a dense closed path, in radians.
std::vector<double> Turning(const Path& path) {
    const size_t n = path.size();
    std::vector<double> turn(n);
    for (size_t i = 0; i < n; ++i) {
        const P in = path[i] - path[(i + n - 1) % n];
        const P out = path[(i + 1) % n] - path[i];
        turn[i] = std::abs(std::atan2(CrossZ(in, out), in.x * out.x + in.y * out.y));
    }
    return turn;
}

// Distance along the path from every point to the nearest corner (a turn of more than
// 20 degrees within seven points, a few pixels), capped at `cap`.
std::vector<double> CornerDistance(const Path& path, const std::vector<double>& turn, double cap) {
    const size_t n = path.size();
    const int window = 3;
    std::vector<double> dist(n, cap);
    std::vector<double> step(n);
    for (size_t i = 0; i < n; ++i) step[i] = Norm(path[(i + 1) % n] - path[i]);
    for (size_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int k = -window; k <= window; ++k) sum += turn[(i + n + k) % n];
        if (sum < 0.35) continue;
        dist[i] = 0.0;
    }
    // Two sweeps each way round carry the distances past the seam.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t k = 0; k < n; ++k) {
            const size_t i = (k + 1) % n;
            dist[i] = std::min(dist[i], dist[k] + step[k]);
        }
        for (size_t k = n; k-- > 0;) {
            const size_t i = (k + n - 1) % n;
            dist[i] = std::min(dist[i], dist[k] + step[i]);
        }
    }
    return dist;
}

// How far every point is from the parts of the path that come back toward it (at
// most half as far away in a straight line as along the path), capped at `cap`: small
// where the shape is thin, at the sides of a narrow point or neck.
std::vector<double> Clearance(const Path& path, double cap) {
    const size_t n = path.size();
    std::vector<double> along(n, 0.0);
    for (size_t i = 1; i < n; ++i) along[i] = along[i - 1] + Norm(path[i] - path[i - 1]);
    const double total = along[n - 1] + Norm(path[0] - path[n - 1]);
    // Only points within `cap` count, so every point looks in the cells round its own of
    // a grid that size; every fourth point is near enough for a clearance of tens of
    // pixels.
    P lo = path[0];
    for (const P& p : path) lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
    auto cellOf = [&](const P& p) {
        return std::make_pair(static_cast<int>((p.x - lo.x) / cap),
                              static_cast<int>((p.y - lo.y) / cap));
    };
    std::map<std::pair<int, int>, std::vector<size_t>> cells;
    for (size_t j = 0; j < n; j += 4) cells[cellOf(path[j])].push_back(j);
    std::vector<double> clear(n, cap);
    for (size_t i = 0; i < n; ++i) {
        const auto [cx, cy] = cellOf(path[i]);
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const auto cell = cells.find({cx + dx, cy + dy});
                if (cell == cells.end()) continue;
                for (size_t j : cell->second) {
                    const double apart = std::abs(along[i] - along[j]);
                    const double straight = Norm(path[i] - path[j]);
                    if (2.0 * straight <= std::min(apart, total - apart))
                        clear[i] = std::min(clear[i], straight);
                }
            }
        }
    }
    return clear;
}

// A person starts on a smooth stretch, away from the corners, and among such places
// where the line bends least. The stretch just before the start must be wide: the
// pen comes back along it at the end, and the program would take the whole stroke
// back if the pen came near its first samples, or take the stroke for a line if the
// closing gap ran close beside another part of it (the side of a narrow point).
size_t StartOf(const Path& path) {
    const double enough = 45.0;  // pixels; beyond this, farther is no better
    const double before = 50.0;  // the stretch the closing gap lies on, at most
    const std::vector<double> turn = Turning(path);
    const std::vector<double> dist = CornerDistance(path, turn, enough);
    const std::vector<double> clear = Clearance(path, enough);
    const size_t n = path.size();
    std::vector<double> score(n);
    double best = 0.0;
    for (size_t i = 0; i < n; ++i) {
        double nearest = dist[i];
        double narrowest = clear[i];
        double back = 0.0;
        for (size_t k = 1; k < n && back < before; ++k) {
            const size_t j = (i + n - k) % n;
            back += Norm(path[(j + 1) % n] - path[j]);
            nearest = std::min(nearest, dist[j]);
            narrowest = std::min(narrowest, clear[j]);
        }
        score[i] = nearest + narrowest;
        best = std::max(best, score[i]);
    }
    size_t start = 0;
    double leastBend = 1e300;
    for (size_t i = 0; i < n; ++i) {
        if (score[i] < best - 1.0) continue;
        double bend = 0.0;
        for (int k = -20; k <= 20; ++k) bend += turn[(i + n + k) % n];
        if (bend < leastBend) {
            leastBend = bend;
            start = i;
        }
    }
    return start;
}

Outline Draw(const std::string& name, const Path& unit, double radius, bool clockwise,
             uint64_t seed) {
    Path path = Dense(unit, radius);
    if (clockwise) std::reverse(path.begin(), path.end());
    std::rotate(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(StartOf(path)),
                path.end());
    const std::vector<double> cornerDist = CornerDistance(path, Turning(path), 25.0);

    std::vector<double> along(path.size() + 1, 0.0);
    for (size_t i = 0; i < path.size(); ++i)
        along[i + 1] = along[i] + Norm(path[(i + 1) % path.size()] - path[i]);
    auto pointAt = [&](double s, double* nearCorner) {
        const size_t i = static_cast<size_t>(std::upper_bound(along.begin(), along.end(), s) -
                                             along.begin() - 1);
        const size_t j = std::min(i, path.size() - 1);
        const double t = (s - along[j]) / std::max(1e-12, along[j + 1] - along[j]);
        *nearCorner = cornerDist[j];
        return path[j] + t * (path[(j + 1) % path.size()] - path[j]);
    };

    Random random(seed);
    Outline outline{name, {}};
    // Let go short of the start. The program samples the stroke about 20 pixels apart
    // (at the nearest zoom) and takes it back to any earlier sample a new one comes
    // within that of, so the pen must stay farther than that from where it began; the
    // closer it stops, the more surely the stroke counts as a loop and not as a line.
    const double gap = 22.0 + 4.0 * random.Uniform();
    double end = along.back();
    double unused = 0.0;
    while (end > 0.0 && Norm(pointAt(end, &unused) - path[0]) < gap) end -= 1.0;
    const double phase = 2 * kPi * random.Uniform();
    double s = 0.0;
    for (;;) {
        double nearCorner = 0.0;
        const P p = pointAt(std::min(s, end), &nearCorner);
        const CPoint pixel{static_cast<int>(std::lround(p.x)) + random.Shake(),
                           static_cast<int>(std::lround(p.y)) + random.Shake()};
        if (outline.pixels.empty() || pixel.x != outline.pixels.back().x ||
            pixel.y != outline.pixels.back().y)
            outline.pixels.push_back(pixel);
        if (s >= end) break;
        // The hand speeds up and slows down along the way, and slows for corners.
        const double speed = 9.0 + 4.5 * std::sin(phase + s / 45.0) + 1.5 * random.Uniform();
        const double slow = 0.35 + 0.65 * std::min(1.0, nearCorner / 25.0);
        s += std::clamp(speed * slow, 3.0, 15.0);
    }
    return outline;
}

}  // namespace

std::vector<Outline> DrawOutlines(double radius, bool clockwise) {
    std::vector<Outline> outlines;
    const std::vector<OutlineShape> shapes = OutlineShapes();
    for (size_t i = 0; i < shapes.size(); ++i) {
        const uint64_t seed = 1000 * i + static_cast<uint64_t>(radius) * 2 + (clockwise ? 1 : 0);
        const std::string size = radius == kLargeOutline   ? "large"
                                 : radius == kSmallOutline ? "small"
                                                           : std::to_string(std::lround(radius));
        const std::string name =
            shapes[i].name + " " + size + (clockwise ? " clockwise" : " anticlockwise");
        outlines.push_back(Draw(name, Normalised(shapes[i].path), radius, clockwise, seed));
    }
    return outlines;
}

double EnclosedArea(const std::vector<CPoint>& pixels) {
    double a = 0.0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const CPoint& p = pixels[i];
        const CPoint& q = pixels[(i + 1) % pixels.size()];
        a += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
    }
    // Pixel y grows downward, so anticlockwise on screen is clockwise in pixels.
    return -0.5 * a;
}
