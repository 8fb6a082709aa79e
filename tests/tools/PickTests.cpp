#include <gtest/gtest.h>

#include <cmath>

#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "tools/Pick.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class PickTest : public ::testing::Test {
protected:
    PickTest() : frame(&host) {
        frame.m_dNearSq = 100.0;
        frame.m_dStrokeStep = 10.0;
    }

    // A curve vertex at p with normal n, pushed onto the vertex list.
    Vertex* At(Vec3 p, Vec3 n = {0, 0, 1}) {
        auto* v = new Vertex;
        v->position = p;
        v->normal = n;
        v->next = frame.m_pVertices;
        frame.m_pVertices = v;
        return v;
    }

    // A vertex whose work vector already holds view coordinates (identity view).
    Vertex* Corner(double x, double y, double z) {
        Vertex* v = At({x, y, z});
        v->work = {x, y, z};
        return v;
    }

    Triangle* Tri(Vertex* a, Vertex* b, Vertex* c) {
        return PushTriangle(frame.m_pTriangles, a, b, c);
    }

    Triangle* PickAt(double x, double y) {
        Vertex sample;
        sample.work = {x, y, 0};
        CurveLink link;
        link.vertex = &sample;
        return frame.PickTriangle(&link);
    }

    HeadlessHost host;
    CMainFrame frame;
};

// ---- PickVertex ----

TEST_F(PickTest, VertexNullWithoutCurves) {
    At({0, 0, 0});  // a vertex that belongs to no curve is never a candidate
    EXPECT_EQ(frame.PickVertex(0), nullptr);
    EXPECT_EQ(frame.PickVertex(1), nullptr);
}

TEST_F(PickTest, VertexRadiusIsStrict) {
    // Exactly 10.0 away is outside the radius; just inside is picked.
    Vertex* onRim = At({10.0, 0, 0});
    AddCurve(frame, {onRim}, kOpenCurve);
    EXPECT_EQ(frame.PickVertex(0), nullptr);
    Vertex* inside = At({0, -9.99, 0});
    AddCurve(frame, {inside}, kOpenCurve);
    EXPECT_EQ(frame.PickVertex(0), inside);
}

TEST_F(PickTest, WaitingCurveHasTheLargerRadius) {
    // 12.0 is inside sqrt(200) but outside 10.0. The head is the newest stroke.
    Vertex* waiting = At({12.0, 0, 0});
    AddCurve(frame, {waiting}, kClosedCurve);
    AddCurve(frame, {At({500, 500, 0})}, kStrokeCurve);
    EXPECT_EQ(frame.PickVertex(0), nullptr);
    EXPECT_EQ(frame.PickVertex(1), waiting);
    // sqrt(200) itself is still outside: the larger radius is strict too.
    waiting->position = {std::sqrt(200.0), 0, 0};
    EXPECT_EQ(frame.PickVertex(1), nullptr);
}

TEST_F(PickTest, WaitingCurveOnlySearchesTheSecondCurve) {
    Vertex* third = At({0, 0, 0});
    AddCurve(frame, {third}, kClosedCurve);
    Vertex* waiting = At({8, 0, 0});
    AddCurve(frame, {waiting}, kClosedCurve);
    Vertex* head = At({0.5, 0, 0});
    AddCurve(frame, {head}, kStrokeCurve);
    // The head and the third curve are nearer, but only the waiting curve counts.
    EXPECT_EQ(frame.PickVertex(1), waiting);
    EXPECT_EQ(frame.PickVertex(0), third);
    waiting->position = {100, 0, 0};
    EXPECT_EQ(frame.PickVertex(1), nullptr);
}

TEST_F(PickTest, VertexFacingLimit) {
    // Under the mouse but turned away (f = -0.5): the farther facing vertex wins.
    Vertex* away = At({0, 0, 0}, {0, std::sqrt(0.75), -0.5});
    Vertex* facing = At({5, 0, 0});
    AddCurve(frame, {away, facing}, kOpenCurve);
    EXPECT_EQ(frame.PickVertex(0), facing);
    // Slightly turned away (f = -0.05) still counts, as on a silhouette.
    away->normal = {0, std::sqrt(1 - 0.0025), -0.05};
    EXPECT_EQ(frame.PickVertex(0), away);
    // Exactly -0.1 is refused: the limit is strict.
    away->normal = {0, std::sqrt(0.99), -0.1};
    EXPECT_EQ(frame.PickVertex(0), facing);
}

TEST_F(PickTest, VertexTiesGoToTheFirstMet) {
    Vertex* laterCurve = At({0, 3, 0});
    AddCurve(frame, {laterCurve}, kOpenCurve);
    Vertex* firstLink = At({3, 0, 0});
    Vertex* secondLink = At({-3, 0, 0});
    AddCurve(frame, {firstLink, secondLink}, kOpenCurve);
    // All three are 3.0 away; the head curve's first link is met first.
    EXPECT_EQ(frame.PickVertex(0), firstLink);
    // A strictly nearer vertex later in the search still wins.
    laterCurve->position = {0, 2.9, 0};
    EXPECT_EQ(frame.PickVertex(0), laterCurve);
}

TEST_F(PickTest, VertexOffsetsUseTheViewRotation) {
    SetViewAngles(frame, 20.0, 30.0);
    frame.m_ptMouse = {4.0, -2.0};
    // A point placed where the rotated view shows it at (5, -1): rotate the view
    // point back by the inverse of (about x by el) after (about y by az).
    const double az = 30.0 * kPi / 180.0;
    const double el = 20.0 * kPi / 180.0;
    const Vec3 view = {5.0, -1.0, 37.0};
    const Vec3 ry = {view.x, std::cos(el) * view.y + std::sin(el) * view.z,
                     -std::sin(el) * view.y + std::cos(el) * view.z};
    const Vec3 model = {std::cos(az) * ry.x - std::sin(az) * ry.z, ry.y,
                        std::sin(az) * ry.x + std::cos(az) * ry.z};
    // The normal pointing at the viewer in this view.
    const Vec3 toViewer = {-std::sin(az) * std::cos(el), std::sin(el), std::cos(az) * std::cos(el)};
    Vertex* v = At(model, toViewer);
    AddCurve(frame, {v}, kOpenCurve);
    ASSERT_EQ(frame.PickVertex(0), v);
    EXPECT_NEAR(v->work.x, 1.0, 1e-9);
    EXPECT_NEAR(v->work.y, 1.0, 1e-9);
    // The same normal seen from the opposite side faces away and is skipped.
    v->normal = -toViewer;
    EXPECT_EQ(frame.PickVertex(0), nullptr);
}

TEST_F(PickTest, OnlyAcceptedVerticesGetOffsets) {
    Vertex* far = At({50, 0, 0});
    far->work = {7, 7, 7};
    Vertex* near = At({1, 2, 0});
    AddCurve(frame, {far, near}, kOpenCurve);
    EXPECT_EQ(frame.PickVertex(0), near);
    EXPECT_EQ(far->work.x, 7.0);  // never accepted, so untouched
    EXPECT_EQ(far->work.y, 7.0);
    EXPECT_EQ(near->work.x, 1.0);
    EXPECT_EQ(near->work.y, 2.0);
}

// ---- PickTriangle ----

TEST_F(PickTest, TriangleNullWithoutTriangles) {
    EXPECT_EQ(PickAt(0, 0), nullptr);
    EXPECT_EQ(frame.PickTriangle(nullptr), nullptr);
}

TEST_F(PickTest, FrontTriangleWinsOverBack) {
    // A closed body seen head-on: the back face runs clockwise on screen.
    Triangle* back = Tri(Corner(-10, -10, -5), Corner(0, 10, -5), Corner(10, -10, -5));
    Triangle* front = Tri(Corner(-10, -10, 5), Corner(10, -10, 5), Corner(0, 10, 5));
    EXPECT_EQ(PickAt(0, 0), front);
    // With only the back face there, nothing is found.
    frame.m_pTriangles = back;
    back->next = nullptr;
    EXPECT_EQ(PickAt(0, 0), nullptr);
    delete front;
}

TEST_F(PickTest, PointOnSharedEdgeMatchesNothing) {
    Vertex* a = Corner(0, -10, 0);
    Vertex* b = Corner(0, 10, 0);
    Tri(a, b, Corner(-10, 0, 0));
    Tri(b, a, Corner(10, 0, 0));
    EXPECT_EQ(PickAt(0, 3), nullptr);
    EXPECT_EQ(PickAt(0, 10), nullptr);  // a corner is on two edges
    EXPECT_NE(PickAt(0.01, 3), nullptr);
}

TEST_F(PickTest, DepthIsThatOfCornerZero) {
    // Far at corner[0] but near at the other corners: loses to a triangle whose
    // corner[0] is slightly nearer, although its depth at the point is far behind.
    Triangle* nearCorner0 = Tri(Corner(-10, -10, 6), Corner(10, -10, -100), Corner(0, 10, -100));
    Tri(Corner(-10, -10, 5), Corner(10, -10, 100), Corner(0, 10, 100));
    EXPECT_EQ(PickAt(0, 0), nearCorner0);
}

TEST_F(PickTest, EqualDepthGoesToTheFirstInList) {
    Triangle* older = Tri(Corner(-10, -10, 5), Corner(10, -10, 5), Corner(0, 10, 5));
    Triangle* newer = Tri(Corner(-12, -10, 5), Corner(12, -10, 0), Corner(0, 12, 0));
    EXPECT_EQ(PickAt(0, 0), newer);
    (void)older;
}

TEST_F(PickTest, TriangleAtTheDepthFloorIsNeverFound) {
    Tri(Corner(-10, -10, -1000000000.0), Corner(10, -10, 0), Corner(0, 10, 0));
    EXPECT_EQ(PickAt(0, 0), nullptr);
}

TEST_F(PickTest, FrontOfASphereUnderEveryInnerPoint) {
    MakeIcosphere(frame, 100.0, 2);
    for (Vertex* v = frame.m_pVertices; v; v = v->next) v->work = v->position;
    // Every point well inside the outline lies over a front triangle, whose corner[0]
    // is in front; outside the outline nothing is found.
    for (int i = 0; i < 40; ++i) {
        const double a = 0.7 * i;
        const double r = 2.0 + 2.3 * i;
        Triangle* t = PickAt(r * std::cos(a), r * std::sin(a));
        ASSERT_NE(t, nullptr) << i;
        EXPECT_GT(t->corner[0]->position.z, 0.0) << i;
    }
    EXPECT_EQ(PickAt(101.0, 0.0), nullptr);
    EXPECT_EQ(PickAt(-72.0, 72.0), nullptr);
}

TEST_F(PickTest, AnyLinkOverTriangleAgreesWithPickingEachLink) {
    // The one-pass test goes through the points two or four at a time and passes over
    // triangles whose edges rule out the points' box; it must answer what PickTriangle
    // answers link by link, on edges and corners too, for odd and even numbers of links.
    auto agrees = [&](const std::vector<Vec3>& points) {
        std::vector<Vertex> samples(points.size());
        std::vector<CurveLink> links(points.size());
        bool anyPicked = false;
        for (size_t k = 0; k < samples.size(); ++k) {
            samples[k].work = points[k];
            links[k].vertex = &samples[k];
            links[k].next = k + 1 < links.size() ? &links[k + 1] : nullptr;
            anyPicked |= frame.PickTriangle(&links[k]) != nullptr;
        }
        Curve profile;
        profile.first = &links.front();
        profile.last = &links.back();
        return AnyLinkOverTriangle(frame, &profile) == anyPicked;
    };
    Vertex* a = Corner(0, -10, 0);
    Vertex* b = Corner(0, 10, 0);
    Tri(a, b, Corner(-10, 0, 0));
    Tri(b, a, Corner(10, 0, 0));
    const std::vector<std::vector<Vec3>> cases = {
        {{0, 3, 0}},                            // on the shared edge
        {{0, 10, 0}, {0, -10, 0}},              // corners
        {{0, 10, 0}, {0, 3, 0}, {0.01, 3, 0}},  // the last one inside
        {{0.01, 3, 0}, {0, 3, 0}, {0, 0, 0}},   // the first one inside
        {{30, 0, 0}, {-30, 0, 0}},              // beside the model, the box across it
        {{30, 0, 0}, {-30, 0, 0}, {-5, 1, 0}},  // one over the left triangle
        {{30, 0, 0}, {5, 1, 0}},                // the second point over the right one
        {{30, 0, 0}, {0, 3, 0}, {-30, 0, 0}, {3, -2, 0}, {40, 0, 0}},  // the fourth
        {{30, 0, 0}, {0, 3, 0}, {-30, 0, 0}, {0, 10, 0}, {3, -2, 0}},  // only in the 2nd four
        {{3, -2, 0}, {30, 0, 0}, {-30, 0, 0}, {40, 0, 0}, {0, 3, 0}},  // only in the 1st four
        {{-10, 0, 0}, {10, 0, 0}, {0, -10.5, 0}, {5, 5.0000001, 0}},
        {{5, 5.0000001, 0}, {NAN, 0, 0}, {0, INFINITY, 0}},  // beyond the finite
    };
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_TRUE(agrees(cases[i])) << i;

    // One triangle and a few points at a time on a coarse lattice nudged by a few units
    // in the last place: many triangles are slivers or have no area, many points lie on
    // an edge's line, where rounding alone decides.
    unsigned state = 12345;
    auto coordinate = [&state] {
        state = state * 1103515245u + 12345u;
        const double base = 0.1 * static_cast<double>((state >> 16) % 7) - 0.3;
        const int nudge = static_cast<int>((state >> 8) % 5) - 2;
        return base + nudge * 1e-17;
    };
    Triangle* const model = frame.m_pTriangles;
    for (int i = 0; i < 2000; ++i) {
        Vertex corners[3];
        Triangle alone;
        for (int k = 0; k < 3; ++k) {
            corners[k].work = {coordinate(), coordinate(), 0};
            alone.corner[k] = &corners[k];
        }
        frame.m_pTriangles = &alone;
        // Some profiles are longer than one box's run of points and stride across the
        // lattice, so that each run's box lies elsewhere.
        const bool striding = i % 3 == 0;
        std::vector<Vec3> points(striding ? 17 + i % 23 : 1 + i % 5);
        for (size_t k = 0; k < points.size(); ++k) {
            const double offset = striding ? 0.05 * static_cast<double>(k) - 1.0 : 0.0;
            points[k] = {coordinate() + offset, coordinate(), 0};
        }
        EXPECT_TRUE(agrees(points)) << "lattice case " << i;
    }
    frame.m_pTriangles = model;
}

}  // namespace
