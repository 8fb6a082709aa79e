#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "edit/EditTestSupport.h"
#include "edit/Profile.h"
#include "support/FrameTest.h"
#include "surface/FairKernel.h"
#include "surface/Ring.h"

namespace {

constexpr double kRadius = 100.0;

// A sphere whose waiting loop runs round the cap on the right of the view, so the
// loop is seen edge-on: its top and bottom vertices sit on the silhouette, where a
// profile drawn beside the model can start and end.
struct SideLoop : TestFrame {
    BuiltMesh mesh;
    std::vector<Vertex*> loop;
    std::set<Vertex*> capInterior;
    std::set<Vertex*> bodyInterior;
    Curve* curve = nullptr;
    Vertex* top = nullptr;
    Vertex* bottom = nullptr;

    SideLoop(int elevation, int azimuth, bool reversed, int subdivisions = 3) {
        Turn(elevation, azimuth);
        mesh = MakeIcosphere(frame, kRadius, subdivisions);
        const Vec3 right = ViewRight(frame);
        std::set<const Triangle*> cap = CleanCap(mesh, right, 0.6 * kRadius, 0.005 * kRadius, 0.8 * kRadius);
        auto inCap = [&](const Triangle* t) { return cap.count(t) > 0; };
        loop = RegionBorder(mesh, inCap);
        capInterior = RegionInterior(mesh, inCap);
        bodyInterior = RegionInterior(mesh, [&](const Triangle* t) { return !inCap(t); });
        if (reversed) std::reverse(loop.begin(), loop.end());
        // the highest and lowest of the loop vertices that face the viewer
        for (Vertex* v : loop) {
            if (ToView(frame, v->normal).z < 0) continue;
            if (!top || ToView(frame, v->position).y > ToView(frame, top->position).y) top = v;
            if (!bottom || ToView(frame, v->position).y < ToView(frame, bottom->position).y) bottom = v;
        }
        curve = AddCurve(frame, loop, kClosedCurve);
        frame.m_nModelState = 1;
    }

    Vec3 View(const Vertex* v) const { return ToView(frame, v->position); }

    std::vector<Vec3> Profile() const { return ArcProfile(View(top), View(bottom)); }

    void Extrude(const std::vector<Vec3>& points) {
        PushStroke(frame, points);
        frame.TransformToView();
        frame.ExtrudeLoop();
    }

    int BodyTriangles() const {
        int n = 0;
        for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
            bool inside = true;
            for (Vertex* c : t->corner) inside = inside && bodyInterior.count(c);
            n += inside ? 1 : 0;
        }
        return n;
    }
};

struct ExtrudeView {
    int elevation;
    int azimuth;
    bool reversedLoop;
    bool bottomUp;  // profile drawn from the bottom of the loop to its top
};

class ExtrudeAtViews : public ::testing::TestWithParam<ExtrudeView> {};

// Drawn from top to bottom the profile sets out to the left of the chord from P to
// Q (clockwise 1), from bottom to top to its right (clockwise 0); either way the
// cap inside the loop is replaced by a protrusion out to the profile.
TEST_P(ExtrudeAtViews, ReplacesTheCapWithAProtrusion) {
    const ExtrudeView view = GetParam();
    SideLoop s(view.elevation, view.azimuth, view.reversedLoop);
    ASSERT_GE(s.loop.size(), 6u);
    std::vector<Vec3> profile = s.Profile();
    if (view.bottomUp) std::reverse(profile.begin(), profile.end());
    const int bodyTriangles = s.BodyTriangles();
    const Vec3 right = ViewRight(s.frame);

    s.Extrude(profile);

    EXPECT_EQ(s.host.beeps, 0);
    EXPECT_EQ(s.frame.m_nModelState, 2);
    EXPECT_EQ(ValidateModel(s.frame), "");
    EXPECT_EQ(CheckNoLeftovers(s.frame), "");
    Curve* newest = s.frame.m_pCurves;
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->kind, kOpenCurve);
    EXPECT_EQ(newest->clockwise, view.bottomUp ? 0 : 1);
    EXPECT_EQ(CountLinks(newest), static_cast<int>(profile.size()));
    for (CurveLink* l = newest->first; l; l = l->next) EXPECT_EQ(l->vertex->kind, kSmoothVertex);
    // The profile's ends stay where they were drawn (the ends of an open curve
    // don't move in fairing).
    EXPECT_NEAR(ToView(s.frame, newest->first->vertex->position).x, profile.front().x, 1e-9);
    EXPECT_NEAR(ToView(s.frame, newest->first->vertex->position).y, profile.front().y, 1e-9);
    EXPECT_NEAR(ToView(s.frame, newest->last->vertex->position).y, profile.back().y, 1e-9);
    ASSERT_EQ(newest->next, s.curve);
    EXPECT_EQ(s.curve->kind, kClosedCurve);
    EXPECT_EQ(CountLinks(s.curve), static_cast<int>(s.loop.size()));
    for (CurveLink* l = s.curve->first; l; l = l->next) EXPECT_EQ(l->vertex->kind, kSharpVertex);

    // The body behind the loop is untouched; the cap is gone and the model now
    // reaches out towards the profile.
    std::set<Vertex*> listed;
    for (Vertex* v = s.frame.m_pVertices; v; v = v->next) listed.insert(v);
    for (Vertex* v : s.bodyInterior) EXPECT_TRUE(listed.count(v));
    EXPECT_EQ(s.BodyTriangles(), bodyTriangles);
    double reach = -1e300;
    for (Vertex* v : listed) reach = std::max(reach, Dot(v->position, right));
    EXPECT_GT(reach, kRadius + 50);
}

INSTANTIATE_TEST_SUITE_P(Views, ExtrudeAtViews,
                         ::testing::Values(ExtrudeView{0, 0, false, false}, ExtrudeView{0, 0, true, true},
                                           ExtrudeView{25, 40, true, false},
                                           ExtrudeView{-45, 300, false, true}));

// The model written after an extrusion is closed: every edge lies in exactly two
// faces, which run through it in opposite directions.
TEST(Extrude, ExportedModelIsClosed) {
    SideLoop s(10, 20, false);
    s.Extrude(s.Profile());
    ASSERT_EQ(s.frame.m_nModelState, 2);
    const std::string path = ::testing::TempDir() + "edit_extrude.obj";
    s.host.saveAnswer = path;
    s.frame.OnSaveAs();
    int faces = 0;
    EXPECT_EQ(CheckObjClosed(path, &faces), "");
    EXPECT_EQ(faces, CountTriangles(s.frame));
    std::remove(path.c_str());
}

// On a body big enough the two patches are split side by side, and the result must
// be the one thread's to the last bit: the same vertices, triangles and neighbours in
// the same order, faired alike.
TEST(Extrude, PatchesSplitSideBySideGiveWhatOneThreadGives) {
    for (const ExtrudeView& view : {ExtrudeView{0, 0, false, false}, ExtrudeView{25, 40, true, true}}) {
        std::string models[2];
        const SideBySideCounts before = SideBySideSoFar();
        for (int alone = 0; alone < 2; ++alone) {
            AllowSideBySide(alone == 0);
            SideLoop s(view.elevation, view.azimuth, view.reversedLoop, 5);
            std::vector<Vec3> profile = s.Profile();
            if (view.bottomUp) std::reverse(profile.begin(), profile.end());
            s.Extrude(profile);
            AllowSideBySide(true);
            EXPECT_EQ(s.frame.m_nModelState, 2);
            // The loop's first link depends on where the records of the sphere
            // happened to be put (SideLoop finds the loop through sets of them).
            CurveLink* const first = std::exchange(s.curve->first, nullptr);
            models[alone] = PrintModel(s.frame);
            s.curve->first = first;
        }
        EXPECT_TRUE(models[0] == models[1]) << view.azimuth;
        const SideBySideCounts after = SideBySideSoFar();
        if (FairKernel::Processors() > 1) {
            EXPECT_EQ(after.kept + after.splitAgain, before.kept + before.splitAgain + 1);
        }
    }
}

// Profiles that can't be placed: the stroke goes with a beep, the model stays
// exactly as it was and the loop keeps waiting.
class ExtrudeRefusal : public ::testing::Test {
protected:
    void ExpectRefused(SideLoop& s, const std::vector<Vec3>& points) {
        const std::string before = PrintModel(s.frame);
        s.Extrude(points);
        EXPECT_EQ(s.host.beeps, 1);
        EXPECT_EQ(s.frame.m_nModelState, 1);
        EXPECT_EQ(s.frame.m_pCurves, s.curve);
        EXPECT_EQ(PrintModel(s.frame), before);
        EXPECT_EQ(ValidateModel(s.frame), "");
    }
};

TEST_F(ExtrudeRefusal, ProfileCrossingTheModel) {
    SideLoop s(0, 0, false);
    // straight down the loop's own line, over the body
    ExpectRefused(s, SampleSegment(s.View(s.top) + Vec3{0, 6, 0}, s.View(s.bottom) + Vec3{0, -6, 0}, 10));
}

TEST_F(ExtrudeRefusal, BothEndsAtTheSameLoopVertex) {
    SideLoop s(0, 0, false);
    const Vec3 t = s.View(s.top);
    // a small hook above the top vertex, both ends nearer to it than to any other
    ExpectRefused(s, {t + Vec3{-2, 6, 0}, t + Vec3{-6, 14, 0}, t + Vec3{2, 16, 0}, t + Vec3{0, 8, 0}});
}

TEST_F(ExtrudeRefusal, StartFarFromTheLoop) {
    SideLoop s(0, 0, false);
    std::vector<Vec3> profile = s.Profile();
    // first point 30 units above the loop's top: no loop vertex within reach
    profile.insert(profile.begin(), s.View(s.top) + Vec3{0, 30, 0});
    ExpectRefused(s, profile);
}

// A loop with a gap behind the model (two vertices left out, so two of its
// consecutive vertices share no mesh edge) bounds nothing: the flood from P leaks
// through the gap over the whole model. The model is put back as it was.
TEST_F(ExtrudeRefusal, LoopThatBoundsNothing) {
    SideLoop s(0, 0, false);
    std::vector<Vertex*> gapped;
    int skipped = 0;
    for (Vertex* v : s.loop) {
        if (skipped < 2 && ToView(s.frame, v->normal).z < -0.5) {
            ++skipped;
            continue;
        }
        gapped.push_back(v);
    }
    ASSERT_EQ(skipped, 2);
    s.frame.m_pCurves = s.curve->next;
    ReleaseChain(s.curve->first, ChainVertices::Keep);
    delete s.curve;
    for (Vertex* v : s.loop) v->kind = kSurfaceVertex;
    s.curve = AddCurve(s.frame, gapped, kClosedCurve);

    const std::string before = PrintModel(s.frame);
    s.Extrude(s.Profile());
    EXPECT_EQ(s.host.beeps, 1);
    EXPECT_EQ(s.frame.m_nModelState, 1);
    EXPECT_EQ(PrintModel(s.frame), before);
    EXPECT_EQ(ValidateModel(s.frame), "");
}

// Two loop vertices a thousandth of a unit apart on screen, at different depths:
// the chord between them gives no direction to lay the profile along.
TEST_F(ExtrudeRefusal, EndsOnOnePointOfTheViewPlane) {
    SideLoop s(0, 0, false);
    Vertex* other = nullptr;
    for (size_t i = 0; i < s.loop.size(); ++i)
        if (s.loop[i] == s.top) other = s.loop[(i + 1) % s.loop.size()];
    other->position = s.top->position + 0.001 * ViewRight(s.frame) - 5.0 * ViewToward(s.frame);
    other->normal = s.top->normal;
    const Vec3 t = s.View(s.top);
    ExpectRefused(s, {t + Vec3{-5, 6, 0}, t + Vec3{0, 20, 0}, t + Vec3{5.001, 6, 0}});
}

// A loop vertex that no triangle holds can't start the removal.
TEST_F(ExtrudeRefusal, NoTriangleAtTheStartVertex) {
    SideLoop s(0, 0, false);
    auto* loose = new Vertex;
    loose->kind = kSmoothVertex;
    loose->position = s.top->position + 4.0 * Vec3{0, 1, 0};
    loose->normal = s.top->normal;
    loose->next = s.frame.m_pVertices;
    s.frame.m_pVertices = loose;
    auto* link = new CurveLink;
    link->vertex = loose;
    link->next = s.curve->first;
    s.curve->first = link;
    ExpectRefused(s, s.Profile());
}

// A tiny hook whose ends pick two loop vertices 4.5 units apart on screen but 30
// apart in depth: the profile's plane stands almost along the view and the patches
// fold back on themselves (an earlier triangulation drove the fairing to
// non-finite positions here). Whatever the patches do, the model left behind must
// pass the checker, and a refused extrusion leaves the model from before, exactly.
TEST(Extrude, FoldedProfileNeverLeavesABrokenModel) {
    TestFrame scene;
    CMainFrame& frame = scene.frame;
    const HeadlessHost& host = scene.host;
    BuiltMesh mesh = MakeIcosphere(frame, kRadius, 3);
    // the plain cap beyond x = 60: its border has two vertices on one point of the
    // screen at the top, one in front and one behind
    auto inCap = [](const Triangle* t) {
        return t->corner[0]->position.x + t->corner[1]->position.x + t->corner[2]->position.x > 180.0;
    };
    std::vector<Vertex*> loop = RegionBorder(mesh, inCap);
    ASSERT_FALSE(loop.empty());
    Vertex* top = loop.front();
    for (Vertex* v : loop)
        if (v->position.y > top->position.y) top = v;
    AddCurve(frame, loop, kClosedCurve);
    frame.m_nModelState = 1;
    const std::string before = PrintModel(frame);
    const Vec3 t = ToView(frame, top->position);

    PushStroke(frame, {t + Vec3{0, 6, 0}, t + Vec3{8, 14, 0}, t + Vec3{12, 4, 0}, t + Vec3{4, 4, 0}});
    frame.TransformToView();
    frame.ExtrudeLoop();

    EXPECT_EQ(ValidateModel(frame), "");
    if (host.beeps) {
        EXPECT_EQ(frame.m_nModelState, 1);
        EXPECT_EQ(PrintModel(frame), before);
    } else {
        EXPECT_EQ(frame.m_nModelState, 2);
    }
}

// ---- Placing the profile in space ----

class PlacedProfile : public FrameTest {
protected:
    PlacedProfile() { Turn(30, 45); }

    // P and Q at different depths; the chord runs along view x.
    const Vec3 p{-40, 10, 25};
    const Vec3 q{60, 10, -15};

    Curve* Place(const std::vector<Vec3>& points) {
        Curve* c = PushStroke(frame, points);
        edit::PlaceProfile(frame.m_ViewMatrix, c, p, q);
        return c;
    }
};

// Depth runs linearly along the chord, also before P and past Q; positions are the
// view points carried back into model space.
TEST_F(PlacedProfile, DepthsExtrapolateBeyondTheChordEnds) {
    Curve* c = Place({{-55, 12, 0}, {-20, 50, 0}, {40, 60, 0}, {80, 8, 0}});
    EXPECT_EQ(c->kind, kOpenCurve);
    const double factors[] = {-0.15, 0.2, 0.8, 1.2};
    int i = 0;
    for (CurveLink* l = c->first; l; l = l->next, ++i) {
        const Vertex* v = l->vertex;
        EXPECT_NEAR(v->work.z, p.z + (q.z - p.z) * factors[i], 1e-12);
        const Vec3 back = ToView(frame, v->position);
        EXPECT_NEAR(back.x, v->work.x, 1e-9);
        EXPECT_NEAR(back.y, v->work.y, 1e-9);
        EXPECT_NEAR(back.z, v->work.z, 1e-9);
    }
}

// Upwards from a chord running right is to its left; the normals lie in the view
// plane and point away from the chord, on either side.
TEST_F(PlacedProfile, OrientationAndNormalsFollowTheSideOfTheChord) {
    for (double side : {1.0, -1.0}) {
        Curve* c = Place({{-40, 10 + 6 * side, 0}, {-30, 10 + 40 * side, 0}, {10, 10 + 55 * side, 0},
                          {50, 10 + 40 * side, 0}, {60, 10 + 6 * side, 0}});
        EXPECT_EQ(c->clockwise, side > 0 ? 1 : 0);
        for (CurveLink* l = c->first->next; l != c->last; l = l->next) {
            const Vec3 n = ToView(frame, l->vertex->normal);
            EXPECT_NEAR(Length(n), 1.0, 1e-12);
            EXPECT_NEAR(n.z, 0.0, 1e-12);
            EXPECT_GT(n.y * side, 0.3) << "normal turned towards the chord";
        }
        const Vec3 toward = ToView(frame, edit::LoopNormal(frame.m_ViewMatrix, q.x - p.x, q.y - p.y, c->clockwise));
        // across the chord, towards the profile, as long as the chord
        EXPECT_NEAR(toward.x, 0.0, 1e-9);
        EXPECT_NEAR(toward.z, 0.0, 1e-9);
        EXPECT_NEAR(toward.y, 100.0 * side, 1e-9);
    }
}

}  // namespace
