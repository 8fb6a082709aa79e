#include <benchmark/benchmark.h>

#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

// A ball of 10242 vertices (20480 triangles) seen from the front, with a short
// curve over its front-most vertex, and a drag begun on that vertex.
struct DragSetup : TestFrame {
    Vertex* top = nullptr;

    DragSetup() {
        BuiltMesh ball = MakeIcosphere(frame, 100.0, 5);
        top = ball.vertices[0];
        Vertex* other = ball.vertices[0];
        for (Vertex* v : ball.vertices)
            if (v->position.z > top->position.z) top = v;
        if (other == top) other = ball.vertices[1];
        AddCurve(frame, {top, other}, kOpenCurve);
        frame.m_nDragState = 2;
        frame.m_ptMouse = {top->position.x, top->position.y};
        frame.BeginDrag();
    }
};

// One mouse move of a drag whose radius covers a large part of the ball.
void BM_DragStep(benchmark::State& state) {
    DragSetup s;
    const double reach = static_cast<double>(state.range(0));
    bool out = false;
    for (auto _ : state) {
        out = !out;
        s.frame.m_ptMouse.x = s.top->position.x + (out ? reach : reach * 0.5);
        s.frame.DragTo();
    }
    state.counters["vertices"] = 10242;
}
BENCHMARK(BM_DragStep)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond);

// The release of a drag: normals, then the full fairing.
void BM_DragRelease(benchmark::State& state) {
    DragSetup s;
    s.frame.m_ptMouse.x += 40.0;
    s.frame.DragTo();
    for (auto _ : state) {
        s.frame.ComputeVertexNormals();
        s.frame.FairModel();
    }
}
BENCHMARK(BM_DragRelease)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
