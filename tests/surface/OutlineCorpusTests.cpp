// Bodies judged, not only counted: every outline of the corpus drawn on the empty
// scene must give a body that is closed, does not run through itself and shows its
// front to the viewer who drew it; and the checker that says so, tried on models
// whose faults are known.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/Body.h"
#include "support/MeshBuilders.h"
#include "support/Outlines.h"
#include "support/Soundness.h"
#include "support/TestFrame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A sphere of latitude rings whose equator lies on the view plane z = 0 and is pushed
// as the closed outline: a first body with nothing wrong with it. Corners run
// counter-clockwise seen from outside.
BuiltMesh OutlinedSphere(CMainFrame& frame, double radius, int rings, int segments) {
    std::vector<Vec3> positions = {{0, 0, -radius}, {0, 0, radius}};
    for (int r = 1; r < rings; ++r) {
        const double lat = kPi * r / rings - kPi / 2;
        for (int s = 0; s < segments; ++s) {
            const double lon = 2 * kPi * s / segments;
            positions.push_back({radius * std::cos(lat) * std::cos(lon),
                                 radius * std::cos(lat) * std::sin(lon), radius * std::sin(lat)});
        }
    }
    auto at = [&](int r, int s) { return 2 + (r - 1) * segments + (s % segments); };
    std::vector<std::array<int, 3>> faces;
    for (int s = 0; s < segments; ++s) {
        faces.push_back({0, at(1, s + 1), at(1, s)});
        faces.push_back({1, at(rings - 1, s), at(rings - 1, s + 1)});
        for (int r = 1; r + 1 < rings; ++r) {
            faces.push_back({at(r, s), at(r, s + 1), at(r + 1, s + 1)});
            faces.push_back({at(r, s), at(r + 1, s + 1), at(r + 1, s)});
        }
    }
    BuiltMesh mesh = BuildMesh(frame, positions, faces);
    std::vector<Vertex*> equator;
    for (int s = 0; s < segments; ++s) equator.push_back(mesh.vertices[at(rings / 2, s)]);
    AddCurve(frame, equator, kClosedCurve);
    return mesh;
}

struct SmallMesh {
    const char* name;
    std::vector<Vec3> positions;
    std::vector<std::array<int, 3>> faces;
    size_t pairs;
    int degenerate;
};

}  // namespace

TEST(SoundnessChecker, PassesASoundBodyAndFindsCrossingsAndATurnedFace) {
    {
        TestFrame scene{TestFrame::Unsized{}};
        CMainFrame& frame = scene.frame;
        const BuiltMesh sphere = OutlinedSphere(frame, 100.0, 12, 24);
        const SelfIntersectionReport crossing = SelfIntersections(frame);
        EXPECT_EQ(crossing.triangles, CountTriangles(frame));
        EXPECT_TRUE(crossing.pairs.empty()) << crossing.Text();
        EXPECT_EQ(crossing.degenerate, 0);
        FrontFaceReport front = ReversedFrontFaces(frame);
        ASSERT_EQ(front.problem, "");
        EXPECT_EQ(front.faces, 2);
        EXPECT_EQ(front.frontTriangles, CountTriangles(frame) / 2);
        EXPECT_TRUE(front.reversed.empty()) << front.Text();

        // One front face wound the other way round (its neighbours follow its edges),
        // from the middle of the list so that its position is not a lucky default.
        auto inFront = [&](const Triangle* u) {
            for (const Vertex* v : u->corner)
                if (!(ToView(frame, v->position).z > 0.0)) return false;
            return true;
        };
        size_t turned = sphere.triangles.size() / 2;
        while (!inFront(sphere.triangles[turned])) ++turned;
        Triangle* t = sphere.triangles[turned];
        std::swap(t->corner[1], t->corner[2]);
        std::swap(t->neighbour[0], t->neighbour[2]);
        int position = 0;
        for (const Triangle* u = frame.m_pTriangles; u != t; u = u->next) ++position;
        front = ReversedFrontFaces(frame);
        EXPECT_EQ(front.reversed, std::vector<int>{position});
        EXPECT_TRUE(SelfIntersections(frame).pairs.empty());

        // Turned away from the view that drew it, the outline no longer tells the front.
        frame.m_nAzimuth = 40;
        frame.ComputeViewMatrix();
        EXPECT_NE(ReversedFrontFaces(frame).problem, "");
    }

    const Vec3 o{0, 0, 0};
    const SmallMesh meshes[] = {
        // One triangle through the middle of the other.
        {"crossing",
         {o, {4, 0, 0}, {0, 4, 0}, {1, 1, -1}, {1, 1, 1}, {3, 3, 0}},
         {{0, 1, 2}, {3, 4, 5}},
         1,
         0},
        {"apart",
         {o, {4, 0, 0}, {0, 4, 0}, {0, 0, 1}, {4, 0, 1}, {0, 4, 1}},
         {{0, 1, 2}, {3, 4, 5}},
         0,
         0},
        // A corner resting on the other triangle touches it.
        {"corner on face",
         {o, {4, 0, 0}, {0, 4, 0}, {1, 1, 0}, {1, 1, 2}, {2, 1, 2}},
         {{0, 1, 2}, {3, 4, 5}},
         1,
         0},
        // Sharing a corner and meeting nowhere else, in a fan or folded up.
        {"shared corner",
         {o, {4, 0, 0}, {0, 4, 0}, {-4, 0, 1}, {0, -4, 1}},
         {{0, 1, 2}, {0, 3, 4}},
         0,
         0},
        // Sharing a corner while the far edge of one pierces the other.
        {"shared corner pierced",
         {o, {4, 0, 0}, {0, 4, 0}, {2, 0.5, 1}, {0.5, 2, -1}},
         {{0, 1, 2}, {0, 3, 4}},
         1,
         0},
        // In one plane: overlapping, and side by side sharing a corner.
        {"flat overlap",
         {o, {4, 0, 0}, {0, 4, 0}, {1, 1, 0}, {5, 1, 0}, {1, 5, 0}},
         {{0, 1, 2}, {3, 4, 5}},
         1,
         0},
        {"flat fan",
         {o, {4, 0, 0}, {0, 4, 0}, {-4, 0, 0}, {0, -4, 0}},
         {{0, 1, 2}, {0, 3, 4}},
         0,
         0},
        // A face folded flat onto its neighbour shares an edge: left to the front check.
        {"folded over an edge", {o, {4, 0, 0}, {0, 4, 0}, {1, 3, 0}}, {{0, 1, 2}, {1, 0, 3}}, 0, 0},
        // A triangle of zero area is the segment it covers.
        {"zero area through a face",
         {o, {4, 0, 0}, {0, 4, 0}, {1, 1, -1}, {1, 1, 1}, {1, 1, 0.5}},
         {{0, 1, 2}, {3, 4, 5}},
         1,
         1},
    };
    for (const SmallMesh& m : meshes) {
        TestFrame scene{TestFrame::Unsized{}};
        CMainFrame& frame = scene.frame;
        BuildMesh(frame, m.positions, m.faces);
        const SelfIntersectionReport crossing = SelfIntersections(frame);
        EXPECT_EQ(crossing.pairs.size(), m.pairs) << m.name << ": " << crossing.Text();
        EXPECT_EQ(crossing.degenerate, m.degenerate) << m.name;
    }
}

// Each shape at both sizes and both windings, drawn as a user draws it. A sound body
// is closed and valid, was not refused, keeps the outline that was drawn (the pen may
// take back a sliver of a narrow point, not a part of the shape), does not run through
// itself and faces the viewer on its whole front.
TEST(OutlineCorpus, EveryOutlineBecomesASoundBody) {
    int drawn = 0;
    for (double radius : {kLargeOutline, kSmallOutline}) {
        for (bool clockwise : {false, true}) {
            for (const Outline& outline : DrawOutlines(radius, clockwise)) {
                ++drawn;
                Body b;
                const long nodesBefore = RingNode::Live();
                b.Draw(outline);
                std::string faults;
                if (b.frame.m_nModelState != 2 || b.host.beeps != 0 ||
                    b.frame.m_pCurves == nullptr) {
                    faults = "refused: model state " + std::to_string(b.frame.m_nModelState) +
                             ", " + std::to_string(b.host.beeps) + " beeps\n";
                } else {
                    faults = ValidateModel(b.frame) + SoundnessFaults(b.frame, true);
                    // The outline kept, in pixels, against the outline drawn.
                    double kept = 0.0;
                    const Curve* c = b.frame.m_pCurves;
                    for (const CurveLink* l = c->first; l != nullptr; l = l->next) {
                        const Vec3 p = b.ToView(l->vertex->position);
                        const Vec3 q = b.ToView((l->next ? l->next : c->first)->vertex->position);
                        kept += 0.5 * (p.x * q.y - q.x * p.y);
                    }
                    kept /= b.frame.m_dPixelSize * b.frame.m_dPixelSize;
                    const double share = std::abs(kept / EnclosedArea(outline.pixels));
                    if (!(share > 0.85 && share < 1.1))
                        faults += "the outline kept encloses " + std::to_string(share) +
                                  " of the area drawn\n";
                }
                // Both faces are split to the last triangle: no ring node is left over.
                if (RingNode::Live() != nodesBefore)
                    faults += std::to_string(RingNode::Live() - nodesBefore) + " ring nodes left\n";
                EXPECT_TRUE(faults.empty()) << outline.name << ":\n" << faults;
            }
        }
    }
    EXPECT_GE(drawn, 4 * 40);
}
