// The first surface from a circle outline: triangulation of the two faces, and the
// fairing that inflates them, timed apart; the fairing also as the plain list walk, the
// yardstick. Counters give the mesh size.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "BenchScene.h"
#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "support/MeshBuilders.h"
#include "surface/ReferenceFairing.h"

namespace {

using Scene = BenchScene;

void Triangulate(CMainFrame& f) {
    f.ClassifyStroke();
    f.TriangulateOutline();
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

void KernelFair(CMainFrame& frame) { frame.FairModel(); }

template <void (*Fair)(CMainFrame&)>
void FirstSurfaceFairing(benchmark::State& state, double radius, int zoom) {
    for (auto _ : state) {
        state.PauseTiming();
        auto s = DrawCircle(radius, zoom);
        Triangulate(s->frame);
        state.ResumeTiming();
        Fair(s->frame);
        state.PauseTiming();
        SetCounters(state, s->frame);
        s.reset();
        state.ResumeTiming();
    }
}

void BM_FirstSurfaceFairing(benchmark::State& state, double radius, int zoom) {
    FirstSurfaceFairing<KernelFair>(state, radius, zoom);
}

void BM_FirstSurfaceFairingReference(benchmark::State& state, double radius, int zoom) {
    FirstSurfaceFairing<ReferenceFairModel>(state, radius, zoom);
}

}  // namespace

BENCHMARK_CAPTURE(BM_FirstSurfaceTriangulation, circle100_zoom5000, 100.0, kMinZoom)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceFairing, circle100_zoom5000, 100.0, kMinZoom)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceTriangulation, largest_zoom5960, kLargestRadius, kMaxZoom)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstSurfaceFairing, largest_zoom5960, kLargestRadius, kMaxZoom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_FirstSurfaceFairingReference, largest_zoom5960, kLargestRadius, kMaxZoom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
