// What the undo history adds to an operation on a body of about 10k vertices (an
// icosphere of 10242 vertices and 20480 triangles): the copy taken when the action
// begins and the comparison that decides at its end whether it made a step, and then
// Undo and Redo themselves. The counters give the memory one step holds.
#include <benchmark/benchmark.h>

#include "app/History.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

constexpr size_t kMiB = size_t{1} << 20;

struct Body : TestFrame {
    Body() { MakeIcosphere(frame, 150.0, 5); }
};

// Where the action changed the model, as the end's comparison meets it: a fairing
// moves nearly every vertex, so the first one differs (0); a change of one vertex
// at the far end of the list is the longest walk for a changed model (1); a refused
// action changed nothing, and the comparison copies the model to compare links (2).
void Change(CMainFrame& frame, int where) {
    Vertex* v = frame.m_pVertices;
    if (where == 1)
        while (v->next != nullptr) v = v->next;
    if (where != 2) v->position.x += 1e-3;
}

// Begin and End of one action, the action itself outside the timing. Arg 0: the
// history's budget in MiB; with the default the first steps land on fresh memory,
// with a small one dropped steps hand theirs on, as in a long session.
void BM_RecordStep(benchmark::State& state) {
    Body body;
    CMainFrame& f = body.frame;
    f.m_history.SetBudget(static_cast<size_t>(state.range(0)) * kMiB);
    const int where = static_cast<int>(state.range(1));
    for (auto _ : state) {
        f.BeginUndoStep();
        state.PauseTiming();
        Change(f, where);
        state.ResumeTiming();
        f.EndUndoStep("Drag");
    }
    const size_t steps = f.m_history.UndoCount();
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["bytesPerStep"] =
        steps > 0 ? static_cast<double>(f.m_history.Bytes()) / static_cast<double>(steps) : 0.0;
}
BENCHMARK(BM_RecordStep)
    ->Args({512, 0})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({64, 2})
    ->Iterations(150)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Undo of the newest step (it copies the live model for the redo, then puts the copy
// from before the step back) and Redo of it (one copy put back).
void BM_UndoRedo(benchmark::State& state) {
    Body body;
    CMainFrame& f = body.frame;
    f.BeginUndoStep();
    Change(f, 0);
    f.EndUndoStep("Drag");
    const bool timeUndo = state.range(0) == 0;
    for (auto _ : state) {
        if (!timeUndo) state.PauseTiming();
        f.OnCommand(ID_EDIT_UNDO);
        if (timeUndo) {
            state.PauseTiming();
        } else {
            state.ResumeTiming();
        }
        f.OnCommand(ID_EDIT_REDO);
        if (timeUndo) state.ResumeTiming();
    }
    state.counters["undoSteps"] = static_cast<double>(f.m_history.UndoCount());
}
BENCHMARK(BM_UndoRedo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
