#include <benchmark/benchmark.h>

#include <memory>

#include "EditScene.h"

// Whole cut and extrusion on a large body (a sphere of 5120 triangles), fairing
// included; building the body and the waiting curve is left out of the timing.
namespace {

// Times `edit` alone on the scene `prepare` makes with its stroke: making the scene
// and freeing it afterwards are left out. Stops with `refusal` when the edit refuses.
template <typename Prepare, typename Edit>
void MeasureEdit(benchmark::State& state, Prepare prepare, Edit edit, const char* refusal) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<BenchScene> s = prepare();
        CMainFrame& f = s->frame;
        f.TransformToView();
        state.ResumeTiming();
        edit(f);
        state.PauseTiming();
        const bool refused = f.m_nModelState != 2;
        s.reset();
        if (refused) {
            state.SkipWithError(refusal);
            break;
        }
        state.ResumeTiming();
    }
}

void BM_CutLargeBody(benchmark::State& state) {
    auto prepare = [] { return CutScene(4); };
    MeasureEdit(state, prepare, [](CMainFrame& f) { f.CutModel(); }, "the cut was refused");
}
BENCHMARK(BM_CutLargeBody)->Unit(benchmark::kMillisecond);

void BM_ExtrudeLargeBody(benchmark::State& state) {
    auto prepare = [] { return ExtrudeScene(4); };
    MeasureEdit(state, prepare, [](CMainFrame& f) { f.ExtrudeLoop(); }, "the extrusion was refused");
}
BENCHMARK(BM_ExtrudeLargeBody)->Unit(benchmark::kMillisecond);

}  // namespace
