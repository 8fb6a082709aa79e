#pragma once

// Scenes the benchmarks share: a frame with its headless host, and a drawn outline.

#include <malloc.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "support/TestFrame.h"

using BenchScene = TestFrame;

// A pen stroke round a circle of `radius` model units, left open by about 22 units
// so that it is a loop, at zoom `zoom` on a 600 by 600 window. The stroke is still
// being drawn: FinishPenStroke (or the benchmark's own steps) takes it from there.
inline std::unique_ptr<BenchScene> DrawCircle(double radius, int zoom) {
    constexpr double kPi = 3.14159265358979323846;
    auto s = std::make_unique<BenchScene>();
    CMainFrame& f = s->frame;
    f.m_nZoom = zoom;
    f.UpdateProjection();
    const double gap = 22.0 / radius;
    const int steps = 720;
    for (int i = 0; i <= steps; ++i) {
        const double a = (2 * kPi - gap) * i / steps;
        f.m_ptMouse = {radius * std::cos(a), radius * std::sin(a)};
        if (i == 0)
            f.BeginStroke();
        else
            f.ExtendStroke();
    }
    return s;
}

// A loop of 60 view-plane samples 10 units apart round (5, -3): drawn over the front of
// a body of radius 150, it lies on it whole.
inline std::vector<std::pair<double, double>> FrontLoopSamples() {
    constexpr double kPi = 3.14159265358979323846;
    const int n = 60;
    const double r = 10.0 * n / (2 * kPi);
    std::vector<std::pair<double, double>> samples;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        samples.emplace_back(5 + r * std::cos(a), -3 + r * std::sin(a));
    }
    return samples;
}

// The heap in use, mapped blocks included: taken before a scene is built and after
// its operation, the difference is what the frame holds for the model.
inline double HeapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}
