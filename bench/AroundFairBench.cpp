// Every pen operation and tool release, timed whole (fairing included), with the
// fairing's share beside it, on spheres of 2562, 10242, 40962 and 163842 vertices
// (subdivisions 4 to 7; the first surface on the outlines the view allows).
//
// The share is measured, not estimated: after each operation, with the benchmark's
// timer paused, FairModel runs once more on the model the operation left and is
// timed on its own. The mesh is the same and the fairing always runs its fixed number
// of iterations, so that is the work the operation spent fairing. Counters (CPU of
// the process, milliseconds, means over the iterations):
//   fairingMs  the fairing of the resulting model
//   aroundMs   the operation's CPU time less fairingMs: everything else it did
//   outsideMs  the operation's wall time less the wall time of the fairing inside it
//              (as the fairing kernel clocks it from its load to its store): the
//              same share measured without the workers' waits, which make the CPU
//              times of two fairings differ by a few milliseconds
// and, so that growth faster than the model shows, per vertex of the result:
//   nsPerVertex                 the whole operation
//   fairingNsPerVertexIteration the fairing, per vertex and iteration
//   aroundNsPerVertex           aroundMs per vertex
//   bytesPerVertex              the heap the frame holds after the operation (the
//                               model's records and the fairing's arrays)
// These are CPU times of all the process's threads (the work done, whatever the
// number of fairing workers); the benchmark's own wall time is the wait the user sees.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include "BenchScene.h"
#include "EditScene.h"
#include "surface/FairKernel.h"

namespace {

// As in FairModel.
constexpr int kFairingIterations = 300;

// CPU time of the whole process: the fairing's other workers count as well.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// The wall time the frame's fairing kernel has spent so far (none before its first use).
double BusySeconds(const CMainFrame& frame) {
    return frame.m_pFairKernel ? frame.m_pFairKernel->BusySeconds() : 0.0;
}

using Scene = BenchScene;

// Runs `prepare` (untimed), `operation` (timed) and a second fairing of the result
// (untimed by the benchmark, timed for the share) once per iteration. `succeeded`
// tells a refused operation from a finished one.
void MeasureAround(benchmark::State& state, const std::function<std::unique_ptr<Scene>()>& prepare,
                   const std::function<void(CMainFrame&)>& operation,
                   const std::function<bool(const Scene&)>& succeeded) {
    double operationSeconds = 0.0;
    double fairingSeconds = 0.0;
    double outsideSeconds = 0.0;
    double vertices = 0.0;
    double triangles = 0.0;
    double bytes = 0.0;
    long runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double heapBefore = HeapBytes();
        std::unique_ptr<Scene> scene = prepare();
        state.ResumeTiming();
        const double busyBefore = BusySeconds(scene->frame);
        const auto wallStart = std::chrono::steady_clock::now();
        const double t0 = CpuSeconds();
        operation(scene->frame);
        const double t1 = CpuSeconds();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        outsideSeconds += wall.count() - (BusySeconds(scene->frame) - busyBefore);
        state.PauseTiming();
        if (!succeeded(*scene)) {
            state.SkipWithError("the operation was refused");
            break;
        }
        vertices = CountVertices(scene->frame);
        triangles = CountTriangles(scene->frame);
        bytes = HeapBytes() - heapBefore;
        const double t2 = CpuSeconds();
        scene->frame.FairModel();
        const double t3 = CpuSeconds();
        operationSeconds += t1 - t0;
        fairingSeconds += t3 - t2;
        ++runs;
        scene.reset();
        state.ResumeTiming();
    }
    if (runs == 0) return;
    const double n = static_cast<double>(runs);
    state.counters["fairingMs"] = 1e3 * fairingSeconds / n;
    state.counters["aroundMs"] = 1e3 * (operationSeconds - fairingSeconds) / n;
    state.counters["outsideMs"] = 1e3 * outsideSeconds / n;
    state.counters["vertices"] = vertices;
    state.counters["triangles"] = triangles;
    state.counters["nsPerVertex"] = 1e9 * operationSeconds / n / vertices;
    state.counters["fairingNsPerVertexIteration"] =
        1e9 * fairingSeconds / n / (vertices * kFairingIterations);
    state.counters["aroundNsPerVertex"] = 1e9 * (operationSeconds - fairingSeconds) / n / vertices;
    state.counters["bytesPerVertex"] = bytes / vertices;
}

// The sizes of the family: subdivisions of the sphere, and fewer iterations for the
// bigger ones (a fairing of 163842 vertices takes seconds).
void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgName("subdivisions")->Unit(benchmark::kMillisecond);
    for (int subdivisions : {4, 5, 6, 7}) b->Arg(subdivisions);
}

int Subdivisions(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// ---- First surface ----

// Radius 290 gives a body of about 10k vertices at the stroke step of zoom 5960, 145
// about 2.5k; the largest circle the view holds (380) gives about 17k, so the first
// surface has no bigger sizes.
void BM_AroundFirstSurface(benchmark::State& state) {
    const double radius = static_cast<double>(state.range(0));
    MeasureAround(
        state, [radius] { return DrawCircle(radius, kMaxZoom); },
        [](CMainFrame& f) { f.FinishPenStroke(); },
        [](const Scene& s) { return s.frame.m_nModelState == 2; });
}
BENCHMARK(BM_AroundFirstSurface)
    ->ArgName("radius")
    ->Arg(145)
    ->Arg(290)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// ---- Embedding ----

// A sphere seen from an angle, with a closed pen stroke of 60 samples over its front.
std::unique_ptr<Scene> BodyWithLoopStroke(int subdivisions) {
    auto s = std::make_unique<Scene>();
    CMainFrame& f = s->frame;
    s->Turn(20, 30);
    MakeIcosphere(f, 150.0, subdivisions);
    PushStroke(f, FrontLoopSamples());
    return s;
}

void BM_AroundEmbed(benchmark::State& state) {
    MeasureAround(
        state, [&] { return BodyWithLoopStroke(Subdivisions(state)); },
        [](CMainFrame& f) { f.FinishPenStroke(); },
        // A closed curve, once embedded, waits for its cut or extrusion.
        [](const Scene& s) { return s.host.beeps == 0 && s.frame.m_nModelState == 1; });
}
BENCHMARK(BM_AroundEmbed)->Apply(Sizes);

// ---- Cut and extrusion ----

bool EndsInState2(const Scene& s) { return s.host.beeps == 0 && s.frame.m_nModelState == 2; }

void BM_AroundCut(benchmark::State& state) {
    auto prepare = [&] { return CutScene(Subdivisions(state)); };
    MeasureAround(
        state, prepare, [](CMainFrame& f) { f.FinishPenStroke(); }, EndsInState2);
}
BENCHMARK(BM_AroundCut)->Apply(Sizes);

void BM_AroundExtrude(benchmark::State& state) {
    auto prepare = [&] { return ExtrudeScene(Subdivisions(state)); };
    MeasureAround(
        state, prepare, [](CMainFrame& f) { f.FinishPenStroke(); }, EndsInState2);
}
BENCHMARK(BM_AroundExtrude)->Apply(Sizes);

// ---- Tool releases ----

// A sphere seen from the front with an open curve of three vertices over its
// front-most vertex, and a stroke of `tool` begun on that vertex by `begin`.
std::unique_ptr<Scene> ToolStroke(int subdivisions, int tool,
                                  const std::function<void(CMainFrame&)>& begin) {
    auto s = std::make_unique<Scene>();
    CMainFrame& f = s->frame;
    BuiltMesh ball = MakeIcosphere(f, 100.0, subdivisions);
    Vertex* top = ball.vertices[0];
    for (Vertex* v : ball.vertices)
        if (v->position.z > top->position.z) top = v;
    std::vector<Vertex*> curve{top};
    for (Vertex* v : ball.vertices)
        if (v != top && curve.size() < 3 && LengthSq(v->position - top->position) < 400.0)
            curve.push_back(v);
    AddCurve(f, curve, kOpenCurve);
    f.m_nTool = tool;
    f.m_nStrokeTool = tool;
    f.m_nDragState = 2;
    f.m_ptMouse = {top->position.x, top->position.y};
    begin(f);
    return s;
}

bool Released(const Scene& s) { return s.frame.m_nDragState == 0 && s.host.beeps == 0; }

void Release(CMainFrame& f) { f.OnLButtonUp(0, {300, 300}); }

void BM_AroundEraserRelease(benchmark::State& state) {
    MeasureAround(
        state,
        [&] {
            return ToolStroke(Subdivisions(state), ID_TOOL_ERASER,
                              [](CMainFrame& f) { f.EraseAt(); });
        },
        Release, Released);
}
BENCHMARK(BM_AroundEraserRelease)->Apply(Sizes);

void BM_AroundChangeRelease(benchmark::State& state) {
    MeasureAround(
        state,
        [&] {
            return ToolStroke(Subdivisions(state), ID_TOOL_CHANGE,
                              [](CMainFrame& f) { f.BeginChange(); });
        },
        Release, Released);
}
BENCHMARK(BM_AroundChangeRelease)->Apply(Sizes);

void BM_AroundDragRelease(benchmark::State& state) {
    auto begin = [](CMainFrame& f) {
        f.BeginDrag();
        f.m_ptMouse.x += 40.0;
        f.DragTo();
    };
    MeasureAround(
        state, [&] { return ToolStroke(Subdivisions(state), ID_TOOL_DRAG, begin); }, Release,
        Released);
}
BENCHMARK(BM_AroundDragRelease)->Apply(Sizes);

}  // namespace
