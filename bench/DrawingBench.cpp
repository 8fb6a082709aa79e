// Autosave writes the drawing after every change, inside the handler: on a 10k-vertex
// body it must stay well under a frame (16 ms). Formatting is measured alone and with
// the safe write (temporary file, sync, rename), and reading for comparison.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "drawing/Drawing.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

void DrawBody(CMainFrame& frame) {
    BuiltMesh mesh = MakeIcosphere(frame, 100.0, 5);  // 10242 vertices
    AddCurve(frame, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13]}, kClosedCurve);
}

void BM_FormatDrawing(benchmark::State& state) {
    TestFrame scene;
    DrawBody(scene.frame);
    size_t bytes = 0;
    for (auto _ : state) bytes = FormatDrawing(scene.frame).size();
    state.counters["vertices"] = CountVertices(scene.frame);
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_SaveDrawingFile(benchmark::State& state) {
    TestFrame scene;
    DrawBody(scene.frame);
    char folder[] = "/tmp/pliform-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/autosave.pliform";
    for (auto _ : state) {
        if (SaveDrawingFile(scene.frame, path, nullptr) != FileWriteResult::Written)
            state.SkipWithError("the save failed");
    }
    ::unlink(path.c_str());
    ::rmdir(folder);
}

void BM_ParseDrawing(benchmark::State& state) {
    TestFrame scene;
    DrawBody(scene.frame);
    const std::string text = FormatDrawing(scene.frame);
    for (auto _ : state) {
        Model model;
        DrawingView view;
        std::string error;
        if (!ParseDrawing(text, model, view, &error)) state.SkipWithError(error.c_str());
        ReleaseModel(model);
    }
}

BENCHMARK(BM_FormatDrawing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDrawingFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseDrawing)->Unit(benchmark::kMillisecond);

}  // namespace
