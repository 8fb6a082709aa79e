// The full 300-iteration fairing of closed spheres of growing size: the program's
// kernel, and the plain list walk it replaced as the yardstick. Both start every run
// from the same sphere, so they do the same work.
#include <benchmark/benchmark.h>

#include "model/Snapshot.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "surface/ReferenceFairing.h"

namespace {

template <void (*Fair)(CMainFrame&)>
void FairSphere(benchmark::State& state) {
    TestFrame scene;
    auto& [host, frame] = scene;
    MakeIcosphere(frame, 100.0, static_cast<int>(state.range(0)));
    ModelSnapshot sphere(frame);
    for (auto _ : state) {
        state.PauseTiming();
        sphere.Restore(frame);
        state.ResumeTiming();
        Fair(frame);
        benchmark::DoNotOptimize(frame.m_pVertices->position);
    }
    state.counters["vertices"] = CountVertices(frame);
    state.counters["triangles"] = CountTriangles(frame);
}

void KernelFair(CMainFrame& frame) { frame.FairModel(); }

void BM_FairModel(benchmark::State& state) { FairSphere<KernelFair>(state); }
void BM_FairModelReference(benchmark::State& state) { FairSphere<ReferenceFairModel>(state); }

// Subdivisions 3, 4, 5: 642, 2562 and 10242 vertices (1280, 5120, 20480 triangles).
BENCHMARK(BM_FairModel)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FairModelReference)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
