#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "edit/EditTestSupport.h"
#include "support/TestFrame.h"

namespace {

constexpr double kRadius = 100.0;

Vec3 Centroid(const Triangle* t) {
    return (t->corner[0]->position + t->corner[1]->position + t->corner[2]->position) / 3.0;
}

// A sphere with a waiting closed curve along mesh edges around the cap that lies
// beyond `height` along `axis`, and the sets the checks need, taken before the cut.
struct CapSetup : TestFrame {
    BuiltMesh mesh;
    std::set<const Triangle*> cap;
    std::vector<Vertex*> loop;
    std::set<Vertex*> removed;  // corners of cap triangles only
    std::set<Vertex*> kept;     // everything else
    Curve* curve = nullptr;

    // `axisOf` picks the cap's direction from the turned frame's view.
    CapSetup(int elevation, int azimuth, Vec3 (*axisOf)(const CMainFrame&), double height,
             bool reversed, int subdivisions = 3) {
        Turn(elevation, azimuth);
        mesh = MakeIcosphere(frame, kRadius, subdivisions);
        const Vec3 axis = axisOf(frame);
        cap = CleanCap(mesh, axis, height, 0.002 * kRadius, height + 0.3 * kRadius);
        auto inCap = [&](const Triangle* t) { return cap.count(t) > 0; };
        loop = RegionBorder(mesh, inCap);
        removed = RegionInterior(mesh, inCap);
        for (Vertex* v : mesh.vertices)
            if (!removed.count(v)) kept.insert(v);
        if (reversed) std::reverse(loop.begin(), loop.end());
        curve = AddCurve(frame, loop, kClosedCurve);
        frame.m_nModelState = 1;
    }

    // The view point of the cap triangle nearest the viewer: a stroke that starts
    // there starts on the cap.
    Vec3 PointOnCap() const {
        const Triangle* best = nullptr;
        for (const Triangle* t : cap)
            if (!best || ToView(frame, Centroid(t)).z > ToView(frame, Centroid(best)).z) best = t;
        return ToView(frame, Centroid(best));
    }
};

// Puts `loop` in the place of the waiting curve; the old curve's vertices stay.
void ReplaceWaitingCurve(CapSetup& s, const std::vector<Vertex*>& loop) {
    s.frame.m_pCurves = s.curve->next;
    for (CurveLink* l = s.curve->first; l; l = l->next) l->vertex->kind = kSurfaceVertex;
    ReleaseChain(s.curve->first, ChainVertices::Keep);
    delete s.curve;
    s.curve = AddCurve(s.frame, loop, kClosedCurve);
}

void Cut(CMainFrame& frame, Vec3 from, Vec3 to) {
    PushStroke(frame, SampleSegment(from, to, 10.0));
    frame.TransformToView();
    frame.CutModel();
}

struct CutView {
    int elevation;
    int azimuth;
    bool reversed;
};

class CutAtViews : public ::testing::TestWithParam<CutView> {};

// The cap facing the viewer is cut off by a stroke from it to beside the model,
// whichever way the curve runs and however the view is turned.
TEST_P(CutAtViews, RemovesTheCapAndClosesTheHole) {
    const CutView view = GetParam();
    CapSetup s(view.elevation, view.azimuth, ViewToward, 0.6 * kRadius, view.reversed);
    const Vec3 toward = ViewToward(s.frame);
    ASSERT_GE(s.loop.size(), 6u);
    ASSERT_FALSE(s.removed.empty());
    const int curvesBefore = CountCurves(s.frame);
    double capMax = 0;
    for (Vertex* v : s.removed) capMax = std::max(capMax, Dot(v->position, toward));

    Cut(s.frame, s.PointOnCap(), {2.5 * kRadius, 0.3 * kRadius, 0});

    EXPECT_EQ(ValidateModel(s.frame), "");
    EXPECT_EQ(CheckNoLeftovers(s.frame), "");
    EXPECT_EQ(s.host.beeps, 0);
    EXPECT_EQ(s.frame.m_nModelState, 2);
    // The stroke is gone and the cutting curve, sharp now, is the newest curve.
    EXPECT_EQ(CountCurves(s.frame), curvesBefore);
    ASSERT_EQ(s.frame.m_pCurves, s.curve);
    EXPECT_EQ(s.curve->kind, kClosedCurve);
    EXPECT_EQ(CountLinks(s.curve), static_cast<int>(s.loop.size()));
    for (CurveLink* l = s.curve->first; l; l = l->next) EXPECT_EQ(l->vertex->kind, kSharpVertex);

    // Every vertex off the cap survives; everything else in the list is new and
    // belongs to the flat patch, so nothing reaches out where the cap was.
    std::set<Vertex*> listed;
    for (Vertex* v = s.frame.m_pVertices; v; v = v->next) listed.insert(v);
    int patch = 0;
    double patchMax = -1e300;
    for (Vertex* v : s.kept) EXPECT_TRUE(listed.count(v));
    for (Vertex* v : listed) {
        if (s.kept.count(v)) continue;
        ++patch;
        EXPECT_EQ(v->kind, kSurfaceVertex);
        patchMax = std::max(patchMax, Dot(v->position, toward));
    }
    EXPECT_GT(patch, 0);
    double rimMax = 0;
    for (Vertex* v : s.loop) rimMax = std::max(rimMax, Dot(v->position, toward));
    EXPECT_LT(patchMax, rimMax + 0.25 * (capMax - rimMax));
    EXPECT_EQ(CountVertices(s.frame), static_cast<int>(s.kept.size()) + patch);
}

INSTANTIATE_TEST_SUITE_P(Views, CutAtViews,
                         ::testing::Values(CutView{0, 0, false}, CutView{0, 0, true},
                                           CutView{30, 45, false}, CutView{-60, 200, true}, CutView{90, 0, false}));

// A closed box-like body (a prism over a regular polygon, closed by fans) cut
// along the ring of vertices at height `cutLevel`: the rim lies in a plane.
struct PrismSetup : TestFrame {
    BuiltMesh mesh;
    std::vector<Vertex*> ring;
    Curve* curve = nullptr;
    double cutLevel = 0;

    PrismSetup() {
        const int sides = 24;
        const double radius = 60.0;
        const std::vector<double> levels = {-60, -30, 0, 20, 40};
        cutLevel = levels[2];
        std::vector<Vec3> points;
        for (double z : levels)
            for (int i = 0; i < sides; ++i) {
                const double a = 2 * M_PI * i / sides;
                points.push_back({radius * std::cos(a), radius * std::sin(a), z});
            }
        const int bottom = static_cast<int>(points.size());
        points.push_back({0, 0, levels.front()});
        points.push_back({0, 0, levels.back()});
        const int top = bottom + 1;
        std::vector<std::array<int, 3>> faces;
        const int rows = static_cast<int>(levels.size());
        for (int r = 0; r + 1 < rows; ++r)
            for (int i = 0; i < sides; ++i) {
                const int a = r * sides + i, b = r * sides + (i + 1) % sides;
                const int c = a + sides, d = b + sides;
                faces.push_back({a, b, d});
                faces.push_back({a, d, c});
            }
        for (int i = 0; i < sides; ++i) {
            faces.push_back({bottom, (i + 1) % sides, i});
            faces.push_back({top, (rows - 1) * sides + i, (rows - 1) * sides + (i + 1) % sides});
        }
        mesh = BuildMesh(frame, points, faces);
        for (int i = 0; i < sides; ++i) ring.push_back(mesh.vertices[2 * sides + i]);
        curve = AddCurve(frame, ring, kClosedCurve);
        frame.m_nModelState = 1;
    }
};

// With all rim vertices sharp the patch is built on straight chords; a planar rim
// gives a patch in its plane, and the fairing keeps it there (kind-2 neighbours
// contribute no curvature, so every patch vertex sits at its ring's centroid).
TEST(Cut, PlanarCurveGivesPlanarPatch) {
    PrismSetup s;
    // the rings up to the cut and the bottom centre stay; the rest goes
    std::set<Vertex*> kept(s.mesh.vertices.begin(), s.mesh.vertices.begin() + 3 * 24);
    kept.insert(s.mesh.vertices[5 * 24]);
    Cut(s.frame, {5, 3, 0}, {150, 0, 0});  // from the top face, over the part above the ring

    ASSERT_EQ(ValidateModel(s.frame), "");
    EXPECT_EQ(CheckNoLeftovers(s.frame), "");
    EXPECT_EQ(s.frame.m_nModelState, 2);
    int patch = 0;
    for (Vertex* v = s.frame.m_pVertices; v; v = v->next) {
        if (kept.count(v)) {
            // the rim itself may slide along the curve but stays in its plane
            if (v->kind == kSharpVertex) {
                EXPECT_NEAR(v->position.z, s.cutLevel, 1e-9);
            }
            continue;
        }
        ++patch;
        EXPECT_NEAR(v->position.z, s.cutLevel, 1e-9) << "patch vertex off the rim's plane";
    }
    // a rim of diameter 120 holds chords long enough to carry vertices
    EXPECT_GT(patch, 0);
    EXPECT_EQ(CountVertices(s.frame), static_cast<int>(kept.size()) + patch);
    for (Vertex* v = s.frame.m_pVertices; v; v = v->next) EXPECT_LE(v->position.z, s.cutLevel + 1e-9);
}

// Control curves lose exactly the vertices that lay in the removed part, the way
// the eraser would take them out one by one.
TEST(Cut, CurvesReachingIntoTheCapAreShortenedSplitOrRemoved) {
    CapSetup s(0, 0, ViewToward, 0.6 * kRadius, false);
    // Drop the waiting curve for a moment to put older curves beneath it.
    s.frame.m_pCurves = s.curve->next;

    std::vector<Vertex*> in(s.removed.begin(), s.removed.end());
    std::vector<Vertex*> out;
    for (Vertex* v : s.kept)
        if (std::find(s.loop.begin(), s.loop.end(), v) == s.loop.end()) out.push_back(v);
    ASSERT_GE(in.size(), 4u);
    ASSERT_GE(out.size(), 8u);

    Curve* through = AddCurve(s.frame, {out[0], out[1], in[0], in[1], out[2], out[3]}, kOpenCurve);
    Curve* inside = AddCurve(s.frame, {in[2], in[3], in[0]}, kClosedCurve);
    Curve* tail = AddCurve(s.frame, {out[4], out[5], in[1]}, kOpenCurve);
    Curve* clear = AddCurve(s.frame, {out[6], out[7]}, kOpenCurve);
    (void)inside;
    s.curve->next = s.frame.m_pCurves;
    s.frame.m_pCurves = s.curve;

    Cut(s.frame, s.PointOnCap(), {250, 30, 0});
    ASSERT_EQ(ValidateModel(s.frame), "");
    EXPECT_EQ(CheckNoLeftovers(s.frame), "");

    auto vertices = [](const Curve* c) {
        std::vector<Vertex*> v;
        for (CurveLink* l = c->first; l; l = l->next) v.push_back(l->vertex);
        return v;
    };
    std::vector<std::vector<Vertex*>> curves;
    for (Curve* c = s.frame.m_pCurves; c; c = c->next) curves.push_back(vertices(c));
    auto has = [&](const std::vector<Vertex*>& chain) {
        return std::count(curves.begin(), curves.end(), chain) == 1;
    };
    // `through` splits around the cap, `tail` loses its last vertex, `inside`
    // vanishes, `clear` and the cutting curve stay as they were.
    EXPECT_EQ(curves.size(), 5u);
    EXPECT_TRUE(has({out[0], out[1]}));
    EXPECT_TRUE(has({out[2], out[3]}));
    EXPECT_TRUE(has({out[4], out[5]}));
    EXPECT_TRUE(has({out[6], out[7]}));
    EXPECT_TRUE(has(s.loop));
    EXPECT_EQ(through->kind, kOpenCurve);
    EXPECT_EQ(tail->kind, kOpenCurve);
    EXPECT_EQ(clear->kind, kOpenCurve);
}

// Cutting curves that do not bound the part the stroke starts in: the model is
// left exactly as it was, the stroke is dropped with a beep and the curve keeps
// waiting.
class CutRefusal : public ::testing::Test {
protected:
    void ExpectRefused(CapSetup& s, Vec3 from) {
        const std::string before = PrintModel(s.frame);
        const int beeps = s.host.beeps;
        Cut(s.frame, from, {250, 30, 0});
        EXPECT_EQ(s.host.beeps, beeps + 1);
        EXPECT_EQ(s.frame.m_nModelState, 1);
        EXPECT_EQ(PrintModel(s.frame), before);
        EXPECT_EQ(ValidateModel(s.frame), "");
    }
};

// The curve's last vertex is not joined to its first by a mesh edge: the flood
// leaks round and would take the whole model.
TEST_F(CutRefusal, CurveWithAGapLetsTheFloodReachEverything) {
    CapSetup s(0, 0, ViewToward, 0.6 * kRadius, false);
    const Vec3 from = s.PointOnCap();
    ReplaceWaitingCurve(s, std::vector<Vertex*>(s.loop.begin(), s.loop.end() - 2));
    ExpectRefused(s, from);
}

// A cap plus one triangle hung on its border: two curve vertices are joined by an
// edge inside the enclosed part, which stops the flood short of the curve, so the
// hole's border would not be the curve.
TEST_F(CutRefusal, EdgeAcrossTheEnclosedPartStopsTheFloodShortOfTheCurve) {
    CapSetup s(0, 0, ViewToward, 0.6 * kRadius, false);
    const Vec3 from = s.PointOnCap();
    // Grow the region by one outer triangle on its border and curve round it.
    const Triangle* extra = nullptr;
    for (const Triangle* t : s.mesh.triangles) {
        if (s.cap.count(t)) continue;
        int capNeighbours = 0;
        for (const Triangle* n : t->neighbour) capNeighbours += s.cap.count(n) ? 1 : 0;
        int offLoop = 0;
        for (Vertex* c : t->corner)
            offLoop += std::find(s.loop.begin(), s.loop.end(), c) == s.loop.end() ? 1 : 0;
        if (capNeighbours == 1 && offLoop == 1) {
            extra = t;
            break;
        }
    }
    ASSERT_NE(extra, nullptr);
    std::set<const Triangle*> grown = s.cap;
    grown.insert(extra);
    std::vector<Vertex*> loop = RegionBorder(s.mesh, [&](const Triangle* t) { return grown.count(t) > 0; });
    ASSERT_EQ(loop.size(), s.loop.size() + 1);
    ReplaceWaitingCurve(s, loop);
    ExpectRefused(s, from);
}

// The flood keeps its own stack: a region of tens of thousands of triangles is
// walked whole. It stays inside the curve, and it is closed: every edge it did not
// cross has both ends on the curve. Exactly the corners off the curve get kind 3.
TEST(FloodCut, WalksALargeRegionAndStopsAtTheCurve) {
    TestFrame scene;
    CMainFrame& frame = scene.frame;
    BuiltMesh mesh = MakeIcosphere(frame, kRadius, 6);
    auto inCap = [](const Triangle* t) { return Centroid(t).z > -0.9 * kRadius; };
    std::set<const Triangle*> cap;
    for (const Triangle* t : mesh.triangles)
        if (inCap(t)) cap.insert(t);
    std::vector<Vertex*> loop = RegionBorder(mesh, inCap);
    ASSERT_FALSE(loop.empty());
    for (Vertex* v : loop) v->work.x = CUT_MARK;
    for (Triangle* t : mesh.triangles) t->mark = 0;
    Triangle* start = nullptr;
    for (Triangle* t : mesh.triangles)
        if (!start || Centroid(t).z > Centroid(start).z) start = t;

    frame.FloodCut(start);

    size_t marked = 0;
    std::set<Vertex*> cornersOfMarked;
    bool closed = true;
    bool contained = true;
    for (Triangle* t : mesh.triangles) {
        if (!t->mark) continue;
        ++marked;
        contained = contained && cap.count(t) > 0;
        for (int k = 0; k < 3; ++k) {
            cornersOfMarked.insert(t->corner[k]);
            const bool wall = t->corner[k]->work.x == CUT_MARK && t->corner[(k + 1) % 3]->work.x == CUT_MARK;
            closed = closed && (wall || t->neighbour[k]->mark);
        }
    }
    EXPECT_TRUE(contained);
    EXPECT_TRUE(closed);
    EXPECT_GT(marked, 70000u);
    for (Vertex* v : mesh.vertices)
        EXPECT_EQ(v->kind == kRemovedVertex, cornersOfMarked.count(v) > 0 && v->work.x != CUT_MARK);
}

// Without a curve to stop it the flood takes every triangle of a closed mesh.
TEST(FloodCut, WithoutACurveReachesEverything) {
    TestFrame scene;
    CMainFrame& frame = scene.frame;
    BuiltMesh mesh = MakeIcosphere(frame, kRadius, 5);
    for (Triangle* t : mesh.triangles) t->mark = 0;
    frame.FloodCut(mesh.triangles.back());
    int marked = 0;
    for (Triangle* t : mesh.triangles) marked += t->mark;
    EXPECT_EQ(marked, CountTriangles(frame));
    for (Vertex* v : mesh.vertices) EXPECT_EQ(v->kind, kRemovedVertex);
}

}  // namespace
