// The fairing kernel against the plain list walk it replaced: the same model faired
// by both must end with the same positions and normals, to within 1e-9 of the model's
// size, and with the same scratch values (counts exactly) after 300 iterations.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ReferenceFairing.h"
#include "model/Snapshot.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "surface/FairKernel.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using Scene = TestFrame;

struct VertexState {
    Vec3 position, normal, work;
    int32_t index;
    double curvature, curvatureSum, meanSqEdge;
};

std::vector<VertexState> Read(const CMainFrame& f) {
    std::vector<VertexState> out;
    for (const Vertex* v = f.m_pVertices; v; v = v->next)
        out.push_back({v->position, v->normal, v->work, v->index, v->curvature, v->curvatureSum,
                       v->meanSqEdge});
    return out;
}

double Size(const std::vector<VertexState>& s) {
    Vec3 lo = s.front().position, hi = lo;
    for (const VertexState& v : s) {
        lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
              std::min(lo.z, v.position.z)};
        hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
              std::max(hi.z, v.position.z)};
    }
    return Length(hi - lo);
}

double Moved(const std::vector<VertexState>& a, const std::vector<VertexState>& b) {
    double most = 0;
    for (size_t i = 0; i < a.size(); ++i)
        most = std::max(most, Length(a[i].position - b[i].position));
    return most;
}

bool Near(double a, double b, double tolerance) {
    return std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// Fairs the frame's model once with the kernel and once, from the same snapshot, with
// the list walk, and compares every vertex. Returns how far the fairing moved the
// model, relative to its size, so a case can check it did real work.
double ExpectSameFairing(CMainFrame& f, const std::string& name) {
    SCOPED_TRACE(name);
    ModelSnapshot before(f);
    const std::vector<VertexState> start = Read(f);
    ReferenceFairModel(f);
    const std::vector<VertexState> expected = Read(f);
    before.Restore(f);
    f.FairModel();
    const std::vector<VertexState> actual = Read(f);
    EXPECT_EQ(ValidateModel(f), "");

    const size_t n = expected.size();
    EXPECT_EQ(actual.size(), n);
    if (actual.size() != n) return 0.0;
    const double size = Size(expected);
    const double tolerance = 1e-9 * size;
    double worst = 0;
    int normalsOff = 0, countsOff = 0, scratchOff = 0;
    for (size_t i = 0; i < n; ++i) {
        const VertexState& e = expected[i];
        const VertexState& a = actual[i];
        worst = std::max(worst, Length(a.position - e.position));
        normalsOff += Length(a.normal - e.normal) > 1e-9 ? 1 : 0;
        countsOff += a.index != e.index ? 1 : 0;
        // Sums of unit normals, curvatures and squared edges carry their own scales.
        scratchOff += Length(a.work - e.work) > 1e-9 * std::max(1.0, Length(e.work)) ||
                              !Near(a.curvature, e.curvature, 1e-6) ||
                              !Near(a.curvatureSum, e.curvatureSum, 1e-6) ||
                              !Near(a.meanSqEdge, e.meanSqEdge, 1e-9)
                          ? 1
                          : 0;
        if (!IsFinite(a.position) || !IsFinite(a.normal)) ADD_FAILURE() << "vertex " << i;
    }
    EXPECT_LE(worst, tolerance) << "model size " << size;
    EXPECT_EQ(normalsOff, 0);
    EXPECT_EQ(countsOff, 0);
    EXPECT_EQ(scratchOff, 0);
    return size > 0 ? Moved(start, actual) / size : 0.0;
}

// A pen stroke round an ellipse, in view-plane points, left open by a gap so it is a
// loop; triangulated into the flat double patch the first fairing inflates.
void FlatOutline(CMainFrame& f, double rx, double ry) {
    const int steps = 600;
    for (int i = 0; i <= steps; ++i) {
        const double a = (2 * kPi - 0.25) * i / steps;
        f.m_ptMouse = {rx * std::cos(a), ry * std::sin(a)};
        if (i == 0)
            f.BeginStroke();
        else
            f.ExtendStroke();
    }
    f.ClassifyStroke();
    f.TriangulateOutline();
}

// Pixel strokes through the mouse handlers, as the user draws them.
void Draw(CMainFrame& f, const std::vector<CPoint>& pixels) {
    f.OnLButtonDown(0, pixels.front());
    for (size_t i = 1; i < pixels.size(); ++i) f.OnMouseMove(0, pixels[i]);
    f.OnLButtonUp(0, pixels.back());
}

std::vector<CPoint> PixelEllipse(double cx, double cy, double rx, double ry, double gapDeg) {
    std::vector<CPoint> out;
    const int steps = 90;
    for (int i = 0; i <= steps; ++i) {
        const double a = (360.0 - gapDeg) * i / steps * kPi / 180.0;
        out.push_back({static_cast<int>(std::lround(cx + rx * std::cos(a))),
                       static_cast<int>(std::lround(cy - ry * std::sin(a)))});
    }
    return out;
}

// A body from a drawn outline with a closed curve and an open one embedded, every third
// curve vertex made sharp, and a patch of the surface pulled out as a drag does before
// its release.
void BodyWithCurvesSharpVerticesAndADrag(Scene& s) {
    CMainFrame& f = s.frame;
    Draw(f, PixelEllipse(300, 300, 200, 140, 25));
    ASSERT_EQ(f.m_nModelState, 2);
    // A closed curve over the front, accepted with a click, and an open stroke across.
    Draw(f, PixelEllipse(300, 300, 70, 50, 25));
    Draw(f, {{300, 300}});
    Draw(f, {{160, 330}, {220, 335}, {280, 340}, {340, 345}, {400, 350}, {440, 352}});
    ASSERT_GE(CountCurves(f), 2);
    EXPECT_EQ(s.host.beeps, 0);
    int sharp = 0;
    for (Curve* c = f.m_pCurves; c; c = c->next) {
        int i = 0;
        for (CurveLink* l = c->first; l; l = l->next, ++i)
            if (i % 3 == 0) l->vertex->kind = kSharpVertex, ++sharp;
    }
    ASSERT_GT(sharp, 5);
    for (Vertex* v = f.m_pVertices; v; v = v->next)
        if (v->kind == kSurfaceVertex && v->position.z > 0 && v->position.x > 60)
            v->position.z += 25.0;
    f.m_bAutoCenter = 1;
}

// A squashed sphere with a loose vertex, a closed pair of collapsed triangles (zero
// area and zero edges) beside it, a sliver on it, and curves of one, two and three
// links (one of them thrice on one vertex), an open curve and a sharp closed curve
// sharing a vertex, and a curve over the collapsed pair. The loose vertex ends at the
// head of the vertex list, the collapsed corners right after it.
void DegenerateModel(CMainFrame& f) {
    BuiltMesh mesh = MakeIcosphere(f, 50.0, 3);
    for (Vertex* v : mesh.vertices) v->position.y *= 0.5;
    BuiltMesh collapsed =
        BuildMesh(f, {{-90, 0, 0}, {-90, 0, 0}, {-90, 0, 0}, {70, 70, 70}}, {{0, 1, 2}, {1, 0, 2}});
    mesh.triangles[7]->corner[1]->position = mesh.triangles[7]->corner[0]->position;
    AddCurve(f, {mesh.vertices[1]}, kClosedCurve);
    AddCurve(f, {mesh.vertices[3], mesh.vertices[4]}, kOpenCurve);
    AddCurve(f, {mesh.vertices[2], mesh.vertices[2], mesh.vertices[2]}, kClosedCurve);
    AddCurve(f, {mesh.vertices[5], mesh.vertices[20], mesh.vertices[21], mesh.vertices[6]},
             kOpenCurve);
    AddCurve(f, {mesh.vertices[6], mesh.vertices[30], mesh.vertices[31], mesh.vertices[32]},
             kClosedCurve, kSharpVertex);
    AddCurve(f, {mesh.vertices[40], mesh.vertices[41], mesh.vertices[40], mesh.vertices[42]},
             kClosedCurve);
    AddCurve(f, {collapsed.vertices[0], collapsed.vertices[1], collapsed.vertices[2]},
             kClosedCurve);
}

// A squashed sphere with a closed curve, and a triangle of zero area (which takes
// another way through the face normals): its corners made sharp and put on one spot,
// where they stay.
void SquashedSphereWithCollapsedTriangle(CMainFrame& f, int subdivisions) {
    BuiltMesh mesh = MakeIcosphere(f, 60.0, subdivisions);
    for (Vertex* v : mesh.vertices) v->position.x *= 0.5;
    std::vector<Vertex*> chain(mesh.vertices.begin(), mesh.vertices.begin() + 6);
    AddCurve(f, chain, kClosedCurve);
    for (Vertex* corner : mesh.triangles.back()->corner) {
        corner->position = mesh.triangles.back()->corner[0]->position;
        corner->kind = kSharpVertex;
    }
}

bool SameBits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

bool SameBits(const Vec3& a, const Vec3& b) {
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool SameBits(const VertexState& a, const VertexState& b) {
    return SameBits(a.position, b.position) && SameBits(a.normal, b.normal) &&
           SameBits(a.work, b.work) && a.index == b.index && SameBits(a.curvature, b.curvature) &&
           SameBits(a.curvatureSum, b.curvatureSum) && SameBits(a.meanSqEdge, b.meanSqEdge);
}

}  // namespace

TEST(FairEquivalence, IcospheresSquashedAndPlain) {
    for (int subdivisions : {1, 3, 4}) {
        for (double squash : {1.0, 0.4}) {
            Scene s;
            BuiltMesh mesh = MakeIcosphere(s.frame, 80.0, subdivisions);
            for (Vertex* v : mesh.vertices) v->position.z *= squash;
            const double moved =
                ExpectSameFairing(s.frame, "icosphere " + std::to_string(subdivisions) +
                                               " squash " + std::to_string(squash));
            // A round sphere has the same curvature everywhere and stays; a squashed
            // one is reshaped.
            if (squash < 1.0) {
                EXPECT_GT(moved, 0.005);
            }
        }
    }
}

TEST(FairEquivalence, FirstBodiesInflatedFromDrawnOutlines) {
    for (auto [rx, ry] : {std::pair{150.0, 150.0}, std::pair{260.0, 90.0}}) {
        Scene s;
        FlatOutline(s.frame, rx, ry);
        ASSERT_GT(CountTriangles(s.frame), 200);
        const double moved = ExpectSameFairing(s.frame, "outline " + std::to_string(rx));
        // The double patch of curved chords rounds out into a body.
        EXPECT_GT(moved, 0.005);
    }
}

TEST(FairEquivalence, BodyWithEmbeddedCurvesSharpVerticesAndADrag) {
    Scene s;
    BodyWithCurvesSharpVerticesAndADrag(s);
    EXPECT_GT(ExpectSameFairing(s.frame, "body with curves"), 0.005);
}

TEST(FairEquivalence, DegenerateTrianglesLooseVerticesAndShortCurves) {
    Scene s;
    CMainFrame& f = s.frame;
    DegenerateModel(f);
    EXPECT_GT(ExpectSameFairing(f, "degenerate"), 0.005);
    // The comparison restored the model into new records; the loose vertex is the head
    // of the list, the collapsed corners follow it. Guards kept: the loose vertex is on
    // no triangle and stays, the collapsed pair gives no direction and stays.
    const Vertex* loose = f.m_pVertices;
    EXPECT_EQ(loose->position.x, 70.0);
    EXPECT_EQ(loose->index, 0);
    EXPECT_EQ(loose->next->position.x, -90.0);
    EXPECT_EQ(loose->next->next->next->position.x, -90.0);
}

TEST(FairEquivalence, KernelStoresScratchValuesOfTheLastIteration) {
    // A flat patch leaves nothing to move; the scratch values are then known exactly:
    // two triangles of a square, seen from both sides.
    Scene s;
    BuiltMesh m = BuildMesh(s.frame, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}},
                            {{0, 1, 2}, {0, 2, 3}, {2, 1, 0}, {3, 2, 0}});
    for (Vertex* v : m.vertices) v->kind = kSmoothVertex;
    m.vertices[1]->kind = kSharpVertex;
    s.frame.FairModel();
    // Vertex 0: on all four triangles; its next corners are 1, 2 (front) and 3, 2
    // (back); two unit normals each way cancel to a zero sum.
    EXPECT_EQ(m.vertices[0]->index, 4);
    EXPECT_EQ(m.vertices[0]->meanSqEdge, (100.0 + 200.0 + 100.0 + 200.0) / 4);
    EXPECT_EQ(Length(m.vertices[0]->work), 0.0);
    // Vertex 1, sharp: its sums stay undivided and its curvature is zero.
    EXPECT_EQ(m.vertices[1]->index, 2);
    EXPECT_EQ(m.vertices[1]->meanSqEdge, 100.0 + 100.0);
    EXPECT_EQ(m.vertices[1]->curvature, 0.0);
}

TEST(FairEquivalence, AnyNumberOfWorkersAndEitherVectorUnitGivesTheSameBits) {
    // Each vertex and triangle is computed by the same code whichever worker takes its
    // share, and no sum depends on where a share begins, so neither the number of
    // workers (more than this machine has processors, too) nor who took which share may
    // change a bit. The AVX2 passes add and multiply lane by lane what the SSE2 passes
    // do, in the same order, so they too must agree to the bit. The checker runs beside
    // every run, as the edits run it, and must neither change a bit nor see anything
    // other than the model it would see alone, once.
    struct TestModel {
        std::string name;
        std::function<void(Scene&)> build;
    };
    const std::vector<TestModel> models = {
        {"squashed sphere 3", [](Scene& s) { SquashedSphereWithCollapsedTriangle(s.frame, 3); }},
        {"squashed sphere 4", [](Scene& s) { SquashedSphereWithCollapsedTriangle(s.frame, 4); }},
        {"first body", [](Scene& s) { FlatOutline(s.frame, 260.0, 90.0); }},
        {"body with curves", BodyWithCurvesSharpVerticesAndADrag},
        {"degenerate", [](Scene& s) { DegenerateModel(s.frame); }},
    };
    std::vector<FairKernel::Unit> units{FairKernel::Unit::Portable};
    if (FairKernel::UnitAvailable(FairKernel::Unit::Avx2)) units.push_back(FairKernel::Unit::Avx2);
    for (const TestModel& model : models) {
        SCOPED_TRACE(model.name);
        Scene s;
        model.build(s);
        const size_t vertices = CountVertices(s.frame);
        const size_t triangles = CountTriangles(s.frame);
        ModelSnapshot start(s.frame);
        const std::vector<VertexState> initial = Read(s.frame);
        const std::string verdict = ValidateModel(s.frame);
        std::vector<VertexState> first;
        for (FairKernel::Unit unit : units) {
            for (int workers : {1, 2, 3, 4, 7}) {
                SCOPED_TRACE(testing::Message()
                             << workers << " workers, unit " << static_cast<int>(unit));
                // Every worker has at least one share to take.
                EXPECT_GE(FairKernel::SharesFor(workers, vertices, triangles), workers);
                start.Restore(s.frame);
                FairKernel kernel;
                kernel.Load(s.frame.m_pVertices, s.frame.m_pTriangles, s.frame.m_pCurves);
                std::vector<std::string> verdicts;
                kernel.Run(40, workers, unit, [&] { verdicts.push_back(ValidateModel(s.frame)); });
                EXPECT_EQ(verdicts, std::vector<std::string>{verdict});
                kernel.Store();
                const std::vector<VertexState> result = Read(s.frame);
                if (first.empty()) {
                    first = result;
                    // The kernel did reshape the model.
                    EXPECT_GT(Moved(initial, first), 0.01);
                    continue;
                }
                ASSERT_EQ(result.size(), first.size());
                int differing = 0;
                for (size_t i = 0; i < result.size(); ++i)
                    differing += SameBits(result[i], first[i]) ? 0 : 1;
                EXPECT_EQ(differing, 0);
            }
        }
    }
    // What the job beside the run throws reaches the caller, after the run.
    Scene s;
    FlatOutline(s.frame, 260.0, 90.0);
    FairKernel kernel;
    kernel.Load(s.frame.m_pVertices, s.frame.m_pTriangles, s.frame.m_pCurves);
    EXPECT_THROW(kernel.Run(5, 2, FairKernel::Unit::Best, [] { throw std::runtime_error("job"); }),
                 std::runtime_error);
    kernel.Store();
}

TEST(FairEquivalence, KernelKeptFromAnEarlierModelLeavesNoTrace) {
    // The frame keeps the fairing's arrays between fairings. A frame that has faired a
    // bigger model with a curve must fair a new, smaller one to the same bits as a
    // frame that never faired anything.
    Scene used;
    {
        BuiltMesh big = MakeIcosphere(used.frame, 80.0, 3);
        std::vector<Vertex*> chain(big.vertices.begin(), big.vertices.begin() + 8);
        AddCurve(used.frame, chain, kClosedCurve);
        used.frame.FairModel();
    }
    ReleaseModel(used.frame);
    Scene fresh;
    for (CMainFrame* f : {&used.frame, &fresh.frame}) {
        BuiltMesh small = MakeIcosphere(*f, 40.0, 1);
        for (Vertex* v : small.vertices) v->position.z *= 0.5;
        small.vertices[3]->kind = kSharpVertex;
        f->FairModel();
    }
    const std::vector<VertexState> a = Read(used.frame);
    const std::vector<VertexState> b = Read(fresh.frame);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].position.x, b[i].position.x) << i;
        EXPECT_EQ(a[i].position.z, b[i].position.z) << i;
        EXPECT_EQ(a[i].normal.y, b[i].normal.y) << i;
        EXPECT_EQ(a[i].index, b[i].index) << i;
        EXPECT_EQ(a[i].curvatureSum, b[i].curvatureSum) << i;
    }
}
