// The first surface from a circle outline: triangulation of the two faces, and the
// fairing that inflates them, timed apart. Counters give the mesh size.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "support/MeshBuilders.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Scene {
    HeadlessHost host;
    CMainFrame frame{&host};
};

// A pen stroke round a circle of `radius` model units, left open by about 22 units
// so that it is a loop, at zoom `zoom` on a 600 by 600 window.
std::unique_ptr<Scene> DrawCircle(double radius, int zoom) {
    auto s = std::make_unique<Scene>();
    CMainFrame& f = s->frame;
    f.OnCreate();
    f.OnSize(600, 600);
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

void Triangulate(CMainFrame& f) {
    f.ClassifyStroke();
    f.CloseAndPlace();
    RingNode* ring = f.RingFromCurve(f.m_pCurves);
    RingNode* twin = f.TwinRing(ring);
    f.SplitRing(ring, 0);
    f.SplitRing(twin, 0);
}

void SetCounters(benchmark::State& state, const CMainFrame& f) {
    state.counters["vertices"] = CountVertices(f);
    state.counters["triangles"] = CountTriangles(f);
    state.counters["outline"] = CountLinks(f.m_pCurves);
}

// The largest circle that fits the view at zoom 5960: the window spans about 772.9
// units, less a few pixels of margin.
constexpr double kLargestRadius = 380.0;

void BM_FirstSurfaceTriangulation(benchmark::State& state, double radius, int zoom) {
    for (auto _ : state) {
        state.PauseTiming();
        auto s = DrawCircle(radius, zoom);
        state.ResumeTiming();
        Triangulate(s->frame);
        state.PauseTiming();
        SetCounters(state, s->frame);
        s.reset();
        state.ResumeTiming();
    }
}

void BM_FirstSurfaceFairing(benchmark::State& state, double radius, int zoom) {
    for (auto _ : state) {
        state.PauseTiming();
        auto s = DrawCircle(radius, zoom);
        Triangulate(s->frame);
        state.ResumeTiming();
        s->frame.FairModel();
        state.PauseTiming();
        SetCounters(state, s->frame);
        s.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_FirstSurfaceTriangulation, circle100_zoom5000, 100.0, 5000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceFairing, circle100_zoom5000, 100.0, 5000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceTriangulation, largest_zoom5960, kLargestRadius, 5960)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceFairing, largest_zoom5960, kLargestRadius, 5960)
    ->Unit(benchmark::kMillisecond);
