// Embedding a closed stroke of about 60 samples on a body of about 10k vertices: the
// whole operation with its fairing, the same without the fairing's share, and the
// pieces the walk adds around itself (the snapshot taken for a restore, the check of
// the result).
#include <benchmark/benchmark.h>

#include <memory>

#include "model/Snapshot.h"
#include "BenchScene.h"
#include "support/MeshBuilders.h"

namespace {

// A frame holding an icosphere of 10242 vertices and 20480 triangles, seen from an
// angle, with a snapshot to put it back after every embedding.
struct Body : TestFrame {
    Body() {
        MakeIcosphere(frame, 150.0, 5);
        Turn(20, 30);
        pristine = std::make_unique<ModelSnapshot>(frame);
    }

    // The loop of FrontLoopSamples as a closed curve.
    void PushStroke() { ::PushStroke(frame, FrontLoopSamples(), kClosedCurve); }

    std::unique_ptr<ModelSnapshot> pristine;
};

void Report(benchmark::State& state, const Body& body) {
    state.counters["vertices"] = CountVertices(body.frame);
    state.counters["triangles"] = CountTriangles(body.frame);
    state.counters["curveVertices"] = body.frame.m_pCurves ? CountLinks(body.frame.m_pCurves) : 0;
    state.counters["beeps"] = body.host.beeps;
}

// Each run puts the body back as `start` holds it and calls `setUp`, both untimed,
// then times `operation`; the body's counts are reported at the end.
template <typename SetUp, typename Operation>
void MeasureFrom(benchmark::State& state, Body& body, ModelSnapshot& start, SetUp setUp,
                 Operation operation) {
    for (auto _ : state) {
        state.PauseTiming();
        start.Restore(body.frame);
        setUp();
        state.ResumeTiming();
        operation();
    }
    Report(state, body);
}

void BM_EmbedWithFairing(benchmark::State& state) {
    Body body;
    MeasureFrom(
        state, body, *body.pristine, [&] { body.PushStroke(); }, [&] { body.frame.EmbedStroke(); });
}
BENCHMARK(BM_EmbedWithFairing)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fairing alone on the model an embedding leaves: subtracted from the whole
// operation it gives the walk with its snapshot and check.
void BM_FairingShareOfEmbed(benchmark::State& state) {
    Body body;
    body.PushStroke();
    body.frame.EmbedStroke();
    ModelSnapshot embedded(body.frame);
    MeasureFrom(
        state, body, embedded, [] {}, [&] { body.frame.FairModel(); });
}
BENCHMARK(BM_FairingShareOfEmbed)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SnapshotOfLargeBody(benchmark::State& state) {
    Body body;
    body.PushStroke();
    for (auto _ : state) {
        ModelSnapshot snapshot(body.frame);
        benchmark::DoNotOptimize(&snapshot);
    }
    Report(state, body);
}
BENCHMARK(BM_SnapshotOfLargeBody)->Unit(benchmark::kMillisecond);

void BM_SnapshotRestoreOfLargeBody(benchmark::State& state) {
    Body body;
    for (auto _ : state) body.pristine->Restore(body.frame);
    Report(state, body);
}
BENCHMARK(BM_SnapshotRestoreOfLargeBody)->Unit(benchmark::kMillisecond);

void BM_ValidateLargeBody(benchmark::State& state) {
    Body body;
    for (auto _ : state) benchmark::DoNotOptimize(ValidateModel(body.frame));
    Report(state, body);
}
BENCHMARK(BM_ValidateLargeBody)->Unit(benchmark::kMillisecond);

}  // namespace
