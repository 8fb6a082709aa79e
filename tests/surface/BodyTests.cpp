// First bodies built the way the user builds them: a pen stroke through the mouse
// handlers on the empty scene, under several views and zooms.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "support/Body.h"
#include "support/MeshBuilders.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// An ellipse in pixels, run anticlockwise or clockwise on screen, that stops
// `gapDegrees` short of its start so that the pen's cut-back leaves it open.
Outline Ellipse(const std::string& name, double rx, double ry, bool clockwiseOnScreen,
                double gapDegrees = 25.0) {
    Outline o{name, {}};
    const int steps = 90;
    for (int i = 0; i <= steps; ++i) {
        const double a = (360.0 - gapDegrees) * i / steps * kPi / 180.0;
        const double sy = clockwiseOnScreen ? 1.0 : -1.0;  // pixel y grows downward
        o.pixels.push_back({static_cast<int>(std::lround(300 + rx * std::cos(a))),
                            static_cast<int>(std::lround(300 + sy * ry * std::sin(a)))});
    }
    return o;
}

// An open U: down the left, round the bottom, up the right.
Outline UArc() {
    Outline o{"u-arc", {}};
    for (int i = 0; i <= 10; ++i) o.pixels.push_back({180, 150 + 20 * i});
    for (int a = 10; a < 180; a += 10) {
        const double t = a * kPi / 180.0;
        o.pixels.push_back({static_cast<int>(std::lround(180 + 120 * (1 - std::cos(t)))),
                            static_cast<int>(std::lround(350 + 120 * std::sin(t)))});
    }
    for (int i = 0; i <= 10; ++i) o.pixels.push_back({420, 350 - 20 * i});
    return o;
}

}  // namespace

TEST(FirstBody, OutlinesBecomeClosedBodiesInflatedOnBothSides) {
    const std::vector<Outline> outlines = {
        Ellipse("circle-anticlockwise", 110, 110, false),
        Ellipse("circle-clockwise", 110, 110, true),
        Ellipse("wide-ellipse", 200, 70, false),
        Ellipse("tall-ellipse", 60, 190, true),
        UArc(),
    };
    const std::vector<View> views = {
        {"default", 0, 0, kMinZoom},       {"top", 90, 0, kMinZoom},     {"side", 0, 90, kMinZoom},
        {"tilted-far", 35, 220, kMaxZoom}, {"bottom-mid", -90, 0, 5480},
    };
    for (const View& view : views) {
        for (const Outline& outline : outlines) {
            SCOPED_TRACE(view.name + " / " + outline.name);
            Body b(view);
            b.Draw(outline);
            ASSERT_EQ(b.frame.m_nModelState, 2);
            EXPECT_EQ(ValidateModel(b.frame), "");
            EXPECT_EQ(b.host.beeps, 0);
            ASSERT_EQ(CountCurves(b.frame), 1);
            const Curve* curve = b.frame.m_pCurves;
            EXPECT_EQ(curve->kind, kClosedCurve);
            ASSERT_GT(CountTriangles(b.frame), 50);

            // The outline stays on the plane through the origin that faced the viewer.
            double outlineRadius = 0.0;
            for (const CurveLink* l = curve->first; l != nullptr; l = l->next) {
                const Vec3 v = b.ToView(l->vertex->position);
                EXPECT_NEAR(v.z, 0.0, 1e-6);
                outlineRadius = std::max(outlineRadius, std::hypot(v.x, v.y));
            }

            // Both sides inflate: the front toward the viewer, the back away.
            double front = 0.0;
            double back = 0.0;
            for (const Vertex* v = b.frame.m_pVertices; v != nullptr; v = v->next) {
                const double z = b.ToView(v->position).z;
                front = std::max(front, z);
                back = std::min(back, z);
            }
            EXPECT_GT(front, 0.1 * outlineRadius);
            EXPECT_LT(back, -0.1 * outlineRadius);

            // Faces point outward: the enclosed volume is positive, and every face
            // whose corners all lie well in front (behind) faces toward (away from)
            // the viewer.
            double volume = 0.0;
            int wrongSide = 0;
            for (const Triangle* t = b.frame.m_pTriangles; t != nullptr; t = t->next) {
                const Vec3 p0 = t->corner[0]->position;
                const Vec3 p1 = t->corner[1]->position;
                const Vec3 p2 = t->corner[2]->position;
                volume += Dot(p0, Cross(p1, p2)) / 6.0;
                const Vec3 n = b.ToView(Cross(p1 - p0, p2 - p0));
                const double z0 = b.ToView(p0).z;
                const double z1 = b.ToView(p1).z;
                const double z2 = b.ToView(p2).z;
                const double edge = 0.5 * front;
                if (z0 > edge && z1 > edge && z2 > edge && n.z <= 0.0) ++wrongSide;
                if (z0 < -edge && z1 < -edge && z2 < -edge && n.z >= 0.0) ++wrongSide;
            }
            EXPECT_GT(volume, 0.0);
            EXPECT_EQ(wrongSide, 0);
        }
    }
}

TEST(FirstBody, BothWindingsGiveBodiesOfTheSameDepth) {
    // The same circle drawn both ways: the pen samples differ, but each body is as
    // deep in front of the view plane as behind it, and the two are equally deep.
    double depth[2] = {0, 0};
    int run = 0;
    for (bool clockwise : {false, true}) {
        Body b({"default", 0, 0, kMinZoom});
        b.Draw(Ellipse("circle", 110, 110, clockwise));
        double front = 0.0;
        double back = 0.0;
        for (const Vertex* v = b.frame.m_pVertices; v != nullptr; v = v->next) {
            front = std::max(front, v->position.z);
            back = std::min(back, v->position.z);
        }
        EXPECT_NEAR(front, -back, 0.05 * front);
        depth[run++] = front - back;
    }
    EXPECT_NEAR(depth[0], depth[1], 0.05 * depth[0]);
}

TEST(FirstBody, LargestOutlineTheViewAllowsBuildsWithoutExhaustingTheStack) {
    // The farthest zoom and a stroke round the whole window edge: the biggest ring the program
    // can be given, which splits off many chords in a row.
    Body b({"far", 0, 0, kMaxZoom});
    Outline edge{"edge", {}};
    for (int i = 0; i < 30; ++i) edge.pixels.push_back({1, 1 + 20 * i});
    for (int i = 0; i < 30; ++i) edge.pixels.push_back({1 + 20 * i, 598});
    for (int i = 0; i < 30; ++i) edge.pixels.push_back({598, 598 - 20 * i});
    for (int i = 0; i < 28; ++i) edge.pixels.push_back({598 - 20 * i, 1});
    b.Draw(edge);
    ASSERT_EQ(b.frame.m_nModelState, 2);
    EXPECT_EQ(ValidateModel(b.frame), "");
    EXPECT_GT(CountLinks(b.frame.m_pCurves), 250);
    EXPECT_GT(CountTriangles(b.frame), 5000);
}
