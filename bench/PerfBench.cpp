// Where the time of the fairing goes, and what splitting it over several threads gives:
// the kernel alone on one to four workers, with loading and storing the records.
#include <benchmark/benchmark.h>

#include "model/Snapshot.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "surface/FairKernel.h"

namespace {

struct Sphere : TestFrame {
    explicit Sphere(int subdivisions) {
        BuiltMesh mesh = MakeIcosphere(frame, 100.0, subdivisions);
        for (Vertex* v : mesh.vertices) v->position.y *= 0.6;
    }
};

// 300 iterations on one to four workers; the sphere is put back before every run.
void BM_FairKernelWorkers(benchmark::State& state) {
    Sphere s(static_cast<int>(state.range(0)));
    ModelSnapshot start(s.frame);
    for (auto _ : state) {
        state.PauseTiming();
        start.Restore(s.frame);
        state.ResumeTiming();
        FairKernel kernel;
        kernel.Load(s.frame.m_pVertices, s.frame.m_pTriangles, s.frame.m_pCurves);
        kernel.Run(300, static_cast<int>(state.range(1)));
        kernel.Store();
    }
    state.counters["vertices"] = CountVertices(s.frame);
}
BENCHMARK(BM_FairKernelWorkers)
    ->ArgNames({"subdivisions", "workers"})
    ->ArgsProduct({{2, 3, 4, 5, 6}, {1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 300 iterations on one worker with each build of the passes the processor can run
// (0 portable SSE2, 1 AVX2); the arrays are loaded once and the positions
// and normals put back before every run, so only the iterations are timed.
void BM_FairKernelUnits(benchmark::State& state) {
    const FairKernel::Unit units[] = {FairKernel::Unit::Portable, FairKernel::Unit::Avx2};
    const FairKernel::Unit unit = units[state.range(1)];
    if (!FairKernel::UnitAvailable(unit)) {
        state.SkipWithError("this processor lacks the instructions");
        return;
    }
    Sphere s(static_cast<int>(state.range(0)));
    ModelSnapshot start(s.frame);
    for (auto _ : state) {
        state.PauseTiming();
        start.Restore(s.frame);
        FairKernel kernel;
        kernel.Load(s.frame.m_pVertices, s.frame.m_pTriangles, s.frame.m_pCurves);
        state.ResumeTiming();
        kernel.Run(300, 1, unit);
    }
    state.counters["vertices"] = CountVertices(s.frame);
}
BENCHMARK(BM_FairKernelUnits)
    ->ArgNames({"subdivisions", "unit"})
    ->ArgsProduct({{5}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Reading the lists into the arrays and writing the results back, without iterating.
void BM_FairKernelLoadStore(benchmark::State& state) {
    Sphere s(static_cast<int>(state.range(0)));
    FairKernel kernel;
    for (auto _ : state) {
        kernel.Load(s.frame.m_pVertices, s.frame.m_pTriangles, s.frame.m_pCurves);
        kernel.Run(1);
        kernel.Store();
    }
    state.counters["kernelBytesPerVertex"] =
        static_cast<double>(kernel.Footprint()) / CountVertices(s.frame);
}
BENCHMARK(BM_FairKernelLoadStore)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
