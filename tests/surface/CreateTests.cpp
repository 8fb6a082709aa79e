// Closing and placing the outline of the first surface.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Scene : TestFrame {
    // The view coordinates of a model point.
    Vec3 ToView(const Vec3& p) const { return ::ToView(frame.m_ViewMatrix, p); }
};

std::vector<std::pair<double, double>> Chain(const Curve* c) {
    std::vector<std::pair<double, double>> out;
    for (const CurveLink* l = c->first; l != nullptr; l = l->next) {
        out.emplace_back(l->vertex->work.x, l->vertex->work.y);
        if (l == c->last) break;
    }
    return out;
}

// A U-shaped stroke from (gap, 0) round to (0, 0): the gap is the only short way back.
std::vector<std::pair<double, double>> UStroke(double gap) {
    return {{gap, 0}, {gap + 10, -40}, {gap / 2, -80}, {-10, -40}, {0, 0}};
}

}  // namespace

TEST(CloseAndPlace, GapGetsEvenlySpacedPoints) {
    struct Case {
        double gap;
        int points;
    };
    // Thresholds at sqrt(2), sqrt(6), sqrt(12) steps.
    for (const Case& k : {Case{0.0, 0}, Case{14.14, 0}, Case{14.15, 1}, Case{24.49, 1},
                          Case{24.50, 2}, Case{34.64, 2}, Case{34.65, 3}}) {
        Scene s;
        PushStroke(s.frame, UStroke(k.gap));
        s.frame.CloseAndPlace();
        const Curve* c = s.frame.m_pCurves;
        const auto chain = Chain(c);
        ASSERT_EQ(chain.size(), 5u + k.points) << k.gap;
        for (int j = 1; j <= k.points; ++j) {
            EXPECT_NEAR(chain[4 + j].first, k.gap * j / (k.points + 1), 1e-12) << k.gap;
            EXPECT_EQ(chain[4 + j].second, 0.0);
        }
        // The gap points head the vertex list, newest (the last appended) first.
        EXPECT_EQ(s.frame.m_pVertices, c->last->vertex);
        EXPECT_EQ(CountVertices(s.frame), 5 + k.points);
        EXPECT_EQ(c->last->next, nullptr);
        EXPECT_EQ(c->kind, kClosedCurve);
        EXPECT_EQ(s.frame.m_nModelState, 2);
    }
}

TEST(CloseAndPlace, EarliestLeftmostPointDecidesTheWinding) {
    // Points 1 and 2 share the smallest x. Point 1 (before: y -20, after: y 10) says
    // clockwise; point 2 (before: y 0, after: y -5) would say anticlockwise.
    Scene s;
    PushStroke(s.frame, {{10, -20}, {0, 0}, {0, 10}, {10, -5}});
    s.frame.CloseAndPlace();
    EXPECT_EQ(s.frame.m_pCurves->clockwise, 1);
}

TEST(CloseAndPlace, LevelNeighboursOfLeftmostPointMeanAnticlockwise) {
    Scene s;
    PushStroke(s.frame, {{0, 0}, {10, 5}, {20, 0}, {12, 5}});
    s.frame.CloseAndPlace();
    EXPECT_EQ(s.frame.m_pCurves->clockwise, 0);
}

TEST(CloseAndPlace, BothWindingsGiveTheSameOutwardNormalsOnTheViewPlane) {
    // The same circle drawn both ways under a tilted view: at every point the normal
    // is the outward radial direction, carried into model space, and the position is
    // the point the view shows at depth 0.
    std::vector<std::pair<double, double>> ccw;
    for (int i = 0; i < 30; ++i) {
        const double t = 2 * kPi * i / 30;
        ccw.emplace_back(60 * std::cos(t), 60 * std::sin(t));
    }
    std::vector<std::pair<double, double>> cw(ccw.rbegin(), ccw.rend());
    std::vector<Vec3> normals[2];
    int run = 0;
    for (const auto& points : {ccw, cw}) {
        Scene s;
        SetViewAngles(s.frame, 30.0, 40.0);
        PushStroke(s.frame, points);
        s.frame.CloseAndPlace();
        EXPECT_EQ(s.frame.m_pCurves->clockwise, run);
        for (const CurveLink* l = s.frame.m_pCurves->first; l != nullptr; l = l->next) {
            const Vertex* v = l->vertex;
            const Vec3 view = s.ToView(v->position);
            EXPECT_NEAR(view.x, v->work.x, 1e-9);
            EXPECT_NEAR(view.y, v->work.y, 1e-9);
            EXPECT_NEAR(view.z, 0.0, 1e-9);
            const Vec3 n = s.ToView(v->normal);
            EXPECT_NEAR(Length(v->normal), 1.0, 1e-12);
            EXPECT_NEAR(n.z, 0.0, 1e-12);
            EXPECT_GT((n.x * v->work.x + n.y * v->work.y) / 60.0, 0.99);
        }
        // Collect in the ccw order for comparison.
        std::vector<Vec3> byPoint(30);
        for (const CurveLink* l = s.frame.m_pCurves->first; l != nullptr; l = l->next) {
            const double angle = std::atan2(l->vertex->work.y, l->vertex->work.x);
            const int i = static_cast<int>(std::lround((angle < 0 ? angle + 2 * kPi : angle) *
                                                       30 / (2 * kPi))) % 30;
            byPoint[i] = l->vertex->normal;
        }
        normals[run++] = byPoint;
    }
    for (int i = 0; i < 30; ++i) {
        EXPECT_NEAR(normals[0][i].x, normals[1][i].x, 1e-12);
        EXPECT_NEAR(normals[0][i].y, normals[1][i].y, 1e-12);
        EXPECT_NEAR(normals[0][i].z, normals[1][i].z, 1e-12);
    }
}

TEST(PlanarLifting, CoincidentNeighboursStillGiveAUnitNormal) {
    // A square with a spike on top: the spike's tip has both neighbours at (20, 40),
    // so its own chord has no direction; the wider chord (40, 40)-(0, 40) does.
    Scene s;
    PushStroke(s.frame, {{0, 0}, {40, 0}, {40, 40}, {20, 40}, {20, 60}, {20, 40}, {0, 40}});
    s.frame.CloseAndPlace();
    const Curve* c = s.frame.m_pCurves;
    for (const CurveLink* l = c->first; l != nullptr; l = l->next) {
        EXPECT_TRUE(IsFinite(l->vertex->normal));
        EXPECT_NEAR(Length(l->vertex->normal), 1.0, 1e-12);
    }
    const Vertex* tip = c->first->next->next->next->next->vertex;
    ASSERT_EQ(tip->work.y, 60.0);
    EXPECT_NEAR(tip->normal.x, 0.0, 1e-12);
    EXPECT_NEAR(tip->normal.y, 1.0, 1e-12);
}

TEST(PlanarLifting, LoopWhoseNeighboursAllCoincideFallsBackToTheCentroid) {
    // Three points where the middle one's neighbours coincide and no wider pair
    // exists: the normal points from the loop's centroid.
    Scene s;
    PushStroke(s.frame, {{0, 0}, {30, 0}, {0, 0}});
    s.frame.CloseAndPlace();
    const Vertex* far = s.frame.m_pCurves->first->next->vertex;
    EXPECT_NEAR(far->normal.x, 1.0, 1e-12);
    EXPECT_NEAR(far->normal.y, 0.0, 1e-12);
    for (const CurveLink* l = s.frame.m_pCurves->first; l != nullptr; l = l->next)
        EXPECT_TRUE(IsFinite(l->vertex->normal));
}

TEST(KeepOpenAndPlace, OnTheEmptySceneOnlyMarksTheCurveOpen) {
    Scene s;
    PushStroke(s.frame, {{0, 0}, {10, 0}, {20, 0}});
    s.frame.KeepOpenAndPlace();
    EXPECT_EQ(s.frame.m_pCurves->kind, kOpenCurve);
    EXPECT_EQ(s.frame.m_nModelState, 2);
    EXPECT_EQ(CountLinks(s.frame.m_pCurves), 3);
}
