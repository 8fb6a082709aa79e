#pragma once

// The scenes the cut and extrusion benchmarks share: a body with a waiting closed
// curve, and the strokes that cut it or extrude it.

#include <memory>
#include <set>
#include <vector>

#include "BenchScene.h"
#include "edit/EditTestSupport.h"

constexpr double kEditBodyRadius = 200.0;

// A sphere (`subdivisions` as MakeIcosphere takes them) in a fresh frame seen from
// elevation 20, azimuth 30, with a waiting curve round the cap beyond 0.6 of the
// radius along the model direction `axisOf` chooses from the frame's view; `loop`
// gets the curve's vertices.
inline std::unique_ptr<BenchScene> BodyWithWaitingCurve(Vec3 (*axisOf)(const CMainFrame&),
                                                        int subdivisions,
                                                        std::vector<Vertex*>& loop) {
    constexpr double r = kEditBodyRadius;
    auto s = std::make_unique<BenchScene>();
    CMainFrame& f = s->frame;
    s->Turn(20, 30);
    BuiltMesh mesh = MakeIcosphere(f, r, subdivisions);
    const std::set<const Triangle*> cap = CleanCap(mesh, axisOf(f), 0.6 * r, 0.002 * r, 0.9 * r);
    loop = RegionBorder(mesh, [&](const Triangle* t) { return cap.count(t) > 0; });
    AddCurve(f, loop, kClosedCurve);
    f.m_nModelState = 1;
    return s;
}

// The body (`subdivisions`) with its cap's curve waiting, facing the viewer, and a
// straight stroke from the middle of the view out past the body that cuts the cap off.
inline std::unique_ptr<BenchScene> CutScene(int subdivisions) {
    std::vector<Vertex*> loop;
    auto s = BodyWithWaitingCurve(ViewToward, subdivisions, loop);
    PushStroke(s->frame, SampleSegment({0, 0, 0}, {3 * kEditBodyRadius, 0, 0}, 10.0));
    return s;
}

// The body (`subdivisions`) with its cap's curve waiting, seen edge-on, and a profile
// stroke from the loop's highest point on the screen round to its lowest that
// extrudes it.
inline std::unique_ptr<BenchScene> ExtrudeScene(int subdivisions) {
    std::vector<Vertex*> loop;
    auto s = BodyWithWaitingCurve(ViewRight, subdivisions, loop);
    const CMainFrame& f = s->frame;
    Vertex* top = loop.front();
    Vertex* bottom = loop.front();
    for (Vertex* v : loop) {
        if (ToView(f, v->position).y > ToView(f, top->position).y) top = v;
        if (ToView(f, v->position).y < ToView(f, bottom->position).y) bottom = v;
    }
    PushStroke(s->frame, ArcProfile(ToView(f, top->position), ToView(f, bottom->position)));
    return s;
}
