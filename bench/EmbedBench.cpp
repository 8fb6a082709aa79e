// Embedding a closed stroke of about 60 samples on a body of about 10k vertices: the
// whole operation with its fairing, the same without the fairing's share, and the
// pieces the walk adds around itself (the snapshot taken for a restore, the check of
// the result).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "model/Snapshot.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A frame holding an icosphere of 10242 vertices and 20480 triangles, seen from an
// angle, with a snapshot to put it back after every embedding.
struct Body : TestFrame {
    Body() {
        MakeIcosphere(frame, 150.0, 5);
        frame.m_nAzimuth = 30;
        frame.m_nElevation = 20;
        frame.ComputeViewMatrix();
        pristine = std::make_unique<ModelSnapshot>(frame);
    }

    // A loop of 60 samples 10 units apart over the front of the body.
    void PushStroke() {
        auto* c = new Curve;
        c->kind = kClosedCurve;
        const int n = 60;
        const double r = 10.0 * n / (2 * kPi);
        for (int i = 0; i < n; ++i) {
            auto* v = new Vertex;
            v->kind = kSmoothVertex;
            const double a = 2 * kPi * i / n;
            v->work = {5 + r * std::cos(a), -3 + r * std::sin(a), 0};
            v->next = frame.m_pVertices;
            frame.m_pVertices = v;
            auto* l = new CurveLink;
            l->vertex = v;
            if (c->last)
                c->last->next = l;
            else
                c->first = l;
            c->last = l;
        }
        c->next = frame.m_pCurves;
        frame.m_pCurves = c;
    }

    std::unique_ptr<ModelSnapshot> pristine;
};

void Report(benchmark::State& state, const Body& body) {
    state.counters["vertices"] = CountVertices(body.frame);
    state.counters["triangles"] = CountTriangles(body.frame);
    state.counters["curveVertices"] = body.frame.m_pCurves ? CountLinks(body.frame.m_pCurves) : 0;
    state.counters["beeps"] = body.host.beeps;
}

void BM_EmbedWithFairing(benchmark::State& state) {
    Body body;
    for (auto _ : state) {
        state.PauseTiming();
        body.pristine->Restore(body.frame);
        body.PushStroke();
        state.ResumeTiming();
        body.frame.EmbedStroke();
    }
    Report(state, body);
}
BENCHMARK(BM_EmbedWithFairing)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fairing alone on the model an embedding leaves: subtracted from the whole
// operation it gives the walk with its snapshot and check.
void BM_FairingShareOfEmbed(benchmark::State& state) {
    Body body;
    body.PushStroke();
    body.frame.EmbedStroke();
    ModelSnapshot embedded(body.frame);
    for (auto _ : state) {
        state.PauseTiming();
        embedded.Restore(body.frame);
        state.ResumeTiming();
        body.frame.FairModel();
    }
    Report(state, body);
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
