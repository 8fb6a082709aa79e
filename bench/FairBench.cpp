// The full 300-iteration fairing of closed spheres of growing size: the program's
// kernel, and the plain list walk it replaced as the yardstick. Both start every run
// from the same sphere, so they do the same work. Counters per vertex: the wall time
// of one iteration, and the heap the frame holds for the model and its fairing.
#include <benchmark/benchmark.h>

#include <chrono>

#include "BenchScene.h"
#include "model/Snapshot.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "surface/ReferenceFairing.h"

namespace {

constexpr int kFairingIterations = 300;

template <void (*Fair)(CMainFrame&)>
void FairSphere(benchmark::State& state) {
    const double heapBefore = HeapBytes();
    TestFrame scene;
    auto& [host, frame] = scene;
    MakeIcosphere(frame, 100.0, static_cast<int>(state.range(0)));
    const double heapModel = HeapBytes();
    ModelSnapshot sphere(frame);
    // The snapshot the runs start from is the benchmark's, not the frame's.
    const double snapshotBytes = HeapBytes() - heapModel;
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        sphere.Restore(frame);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        Fair(frame);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(frame.m_pVertices->position);
    }
    const double vertices = CountVertices(frame);
    state.counters["vertices"] = vertices;
    state.counters["triangles"] = CountTriangles(frame);
    state.counters["nsPerVertexIteration"] =
        1e9 * seconds / static_cast<double>(state.iterations()) / (vertices * kFairingIterations);
    state.counters["bytesPerVertex"] = (HeapBytes() - heapBefore - snapshotBytes) / vertices;
}

void KernelFair(CMainFrame& frame) { frame.FairModel(); }

void BM_FairModel(benchmark::State& state) { FairSphere<KernelFair>(state); }
void BM_FairModelReference(benchmark::State& state) { FairSphere<ReferenceFairModel>(state); }

// Subdivisions 3 to 7: 642, 2562, 10242, 40962 and 163842 vertices (twice as many
// triangles). The list walk, which takes seconds from 40962 vertices on, only up to
// 10242.
BENCHMARK(BM_FairModel)->DenseRange(3, 7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FairModelReference)->DenseRange(3, 5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
