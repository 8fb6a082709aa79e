// The model checker runs after every replayed event; it must stay linear.
#include <benchmark/benchmark.h>

#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

void BM_ValidateModel(benchmark::State& state) {
    TestFrame scene;
    auto& [host, frame] = scene;
    BuiltMesh mesh = MakeIcosphere(frame, 100.0, static_cast<int>(state.range(0)));
    AddCurve(frame, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13]}, kClosedCurve);
    for (auto _ : state) benchmark::DoNotOptimize(ValidateModel(frame));
    state.counters["triangles"] = CountTriangles(frame);
}

BENCHMARK(BM_ValidateModel)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace
