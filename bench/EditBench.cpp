#include <benchmark/benchmark.h>

#include <memory>
#include <set>

#include "edit/EditTestSupport.h"
#include "host/HeadlessHost.h"

// Whole cut and extrusion on a large body (a sphere of 5120 triangles), fairing
// included; building the body and the waiting curve is left out of the timing.
namespace {

constexpr double kRadius = 200.0;

// A sphere in a fresh frame with a waiting curve round the cap beyond 0.6 of the
// radius along `axis` (a model direction chosen from the frame's view).
struct Body {
    HeadlessHost host;
    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(&host);
    std::vector<Vertex*> loop;

    template <typename Axis>
    explicit Body(Axis axisOf) {
        PrepareFrame(*frame, 20, 30);
        BuiltMesh mesh = MakeIcosphere(*frame, kRadius, 4);
        const Vec3 axis = axisOf(*frame);
        const std::set<const Triangle*> cap =
            CleanCap(mesh, axis, 0.6 * kRadius, 0.002 * kRadius, 0.9 * kRadius);
        loop = RegionBorder(mesh, [&](const Triangle* t) { return cap.count(t) > 0; });
        AddCurve(*frame, loop, kClosedCurve);
        frame->m_nModelState = 1;
    }
};

void BM_CutLargeBody(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Body body([](const CMainFrame& f) { return ViewToward(f); });
        CMainFrame& f = *body.frame;
        PushStroke(f, SampleSegment({0, 0, 0}, {3 * kRadius, 0, 0}, 10.0));
        f.TransformToView();
        state.ResumeTiming();
        f.CutModel();
        state.PauseTiming();
        const bool refused = f.m_nModelState != 2;
        body.frame.reset();
        if (refused) {
            state.SkipWithError("the cut was refused");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CutLargeBody)->Unit(benchmark::kMillisecond);

void BM_ExtrudeLargeBody(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Body body([](const CMainFrame& f) { return ViewRight(f); });
        CMainFrame& f = *body.frame;
        Vertex* top = body.loop.front();
        Vertex* bottom = body.loop.front();
        for (Vertex* v : body.loop) {
            if (ToView(f, v->position).y > ToView(f, top->position).y) top = v;
            if (ToView(f, v->position).y < ToView(f, bottom->position).y) bottom = v;
        }
        PushStroke(f, ArcProfile(ToView(f, top->position), ToView(f, bottom->position)));
        f.TransformToView();
        state.ResumeTiming();
        f.ExtrudeLoop();
        state.PauseTiming();
        const bool refused = f.m_nModelState != 2;
        body.frame.reset();
        if (refused) {
            state.SkipWithError("the extrusion was refused");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ExtrudeLargeBody)->Unit(benchmark::kMillisecond);

}  // namespace
