// Frame time of the renderer on a ~20k-triangle sphere, drawn into an offscreen
// context. The sphere fills most of the 600 by 600 window, as a model does.
//
// A software renderer fills pixels in threads of its own, so the calling thread's CPU
// time shows only part of the cost. Every run reports wall time; the "process_time"
// runs give as CPU time that of all the process's threads, the plain runs that of the
// calling thread alone.
#include <benchmark/benchmark.h>

#include "app/MainFrame.h"
#include "host/Offscreen.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "view/Renderer.h"

namespace {

void BM_RenderIcosphere(benchmark::State& state) {
    OffscreenGL gl(600, 600);
    if (!gl.ok()) {
        state.SkipWithError(("no offscreen OpenGL context: " + gl.error()).c_str());
        return;
    }
    TestFrame scene;
    auto& [host, frame] = scene;
    // Subdivided five times: 20 * 4^5 = 20480 triangles.
    BuiltMesh sphere = MakeIcosphere(frame, 120, 5);
    std::vector<Vertex*> ring(sphere.vertices.begin(), sphere.vertices.begin() + 40);
    AddCurve(frame, ring, kOpenCurve);
    frame.OnDisplayMode(static_cast<int>(state.range(0)));
    frame.m_nElevation = 20;
    frame.m_nAzimuth = 30;
    frame.ComputeViewMatrix();
    for (auto _ : state) {
        RenderScene(frame);
        gl.Finish();
    }
    state.counters["triangles"] = static_cast<double>(sphere.triangles.size());
    ReleaseModel(frame);
}

}  // namespace

BENCHMARK(BM_RenderIcosphere)
    ->ArgName("displayMode")
    ->Arg(ID_DISPLAY_SURFACES)
    ->Arg(ID_DISPLAY_EDGES)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RenderIcosphere)
    ->ArgName("displayMode")
    ->Arg(ID_DISPLAY_SURFACES)
    ->Arg(ID_DISPLAY_EDGES)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
