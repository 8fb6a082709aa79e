// The full 300-iteration fairing of closed spheres of growing size.
#include <benchmark/benchmark.h>

#include "host/HeadlessHost.h"
#include "support/MeshBuilders.h"

namespace {

void BM_FairModel(benchmark::State& state) {
    HeadlessHost host;
    CMainFrame frame(&host);
    frame.OnCreate();
    frame.OnSize(600, 600);
    MakeIcosphere(frame, 100.0, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        frame.FairModel();
        benchmark::DoNotOptimize(frame.m_pVertices->position);
    }
    state.counters["vertices"] = CountVertices(frame);
    state.counters["triangles"] = CountTriangles(frame);
}

// Subdivisions 3, 4, 5: 642, 2562 and 10242 vertices (1280, 5120, 20480 triangles).
BENCHMARK(BM_FairModel)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
