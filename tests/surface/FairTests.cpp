// Fairing, vertex normals and the view-space transform.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

struct Fair : FrameTest {};

bool AllFinite(const CMainFrame& f) {
    for (Vertex* v = f.m_pVertices; v; v = v->next)
        if (!IsFinite(v->position) || !IsFinite(v->normal)) return false;
    return true;
}

// A flat n-by-n grid in z = 0 filled on both sides, closed along its border the way the
// first surface is: front and back patches share the border vertices, which carry a
// closed curve. Returns the border vertices in ring order.
std::vector<Vertex*> FlatDoublePatch(CMainFrame& f, int n, double spacing) {
    std::vector<Vec3> positions;
    std::map<std::pair<int, int>, int> front, back;
    auto border = [n](int i, int j) { return i == 0 || j == 0 || i == n - 1 || j == n - 1; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            positions.push_back({i * spacing, j * spacing, 0});
            front[{i, j}] = back[{i, j}] = static_cast<int>(positions.size()) - 1;
            if (!border(i, j)) {
                positions.push_back({i * spacing, j * spacing, 0});
                back[{i, j}] = static_cast<int>(positions.size()) - 1;
            }
        }
    std::vector<std::array<int, 3>> faces;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            // Every diagonal runs the same way, so each interior vertex sits exactly at
            // the centroid of its six ring neighbours.
            faces.push_back({front[{i, j}], front[{i + 1, j}], front[{i + 1, j + 1}]});
            faces.push_back({front[{i, j}], front[{i + 1, j + 1}], front[{i, j + 1}]});
            faces.push_back({back[{i, j}], back[{i + 1, j + 1}], back[{i + 1, j}]});
            faces.push_back({back[{i, j}], back[{i, j + 1}], back[{i + 1, j + 1}]});
        }
    BuiltMesh mesh = BuildMesh(f, positions, faces);
    std::vector<Vertex*> ring;
    for (int i = 0; i < n - 1; ++i) ring.push_back(mesh.vertices[front[{i, 0}]]);
    for (int j = 0; j < n - 1; ++j) ring.push_back(mesh.vertices[front[{n - 1, j}]]);
    for (int i = n - 1; i > 0; --i) ring.push_back(mesh.vertices[front[{i, n - 1}]]);
    for (int j = n - 1; j > 0; --j) ring.push_back(mesh.vertices[front[{0, j}]]);
    AddCurve(f, ring, kClosedCurve);
    f.m_nModelState = 2;
    return ring;
}

std::vector<Vec3> Positions(const CMainFrame& f) {
    std::vector<Vec3> out;
    for (Vertex* v = f.m_pVertices; v; v = v->next) out.push_back(v->position);
    return out;
}

TEST_F(Fair, FlatPatchInsidePlanarCurveStaysPut) {
    FlatDoublePatch(f, 5, 10.0);
    ASSERT_EQ(ValidateModel(f), "");
    const std::vector<Vec3> before = Positions(f);
    f.FairModel();
    const std::vector<Vec3> after = Positions(f);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].x, before[i].x, 1e-9);
        EXPECT_NEAR(after[i].y, before[i].y, 1e-9);
        EXPECT_NEAR(after[i].z, before[i].z, 1e-9);
    }
    // The border vertices' face normals cancel (front against back): their normals
    // must stay as they were, not turn into NaN.
    EXPECT_TRUE(AllFinite(f));
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Fair, OpenCurveEndsNeverMoveClosedCurveVerticesDo) {
    BuiltMesh mesh = MakeIcosphere(f, 50.0, 2);
    // Unevenly spaced picks so the curve step has something to even out.
    std::vector<Vertex*> open = {mesh.vertices[0], mesh.vertices[20], mesh.vertices[21],
                                 mesh.vertices[40], mesh.vertices[3]};
    std::vector<Vertex*> closed = {mesh.vertices[50], mesh.vertices[51], mesh.vertices[70],
                                   mesh.vertices[90]};
    AddCurve(f, open, kOpenCurve);
    AddCurve(f, closed, kClosedCurve);
    const Vec3 firstEnd = open.front()->position;
    const Vec3 lastEnd = open.back()->position;
    std::vector<Vec3> closedBefore;
    for (Vertex* v : closed) closedBefore.push_back(v->position);
    const Vec3 innerBefore = open[2]->position;

    f.FairModel();
    EXPECT_EQ(open.front()->position.x, firstEnd.x);
    EXPECT_EQ(open.front()->position.y, firstEnd.y);
    EXPECT_EQ(open.front()->position.z, firstEnd.z);
    EXPECT_EQ(open.back()->position.x, lastEnd.x);
    EXPECT_EQ(open.back()->position.z, lastEnd.z);
    EXPECT_GT(Length(open[2]->position - innerBefore), 1e-6);
    int moved = 0;
    for (size_t i = 0; i < closed.size(); ++i)
        if (Length(closed[i]->position - closedBefore[i]) > 1e-6) ++moved;
    EXPECT_EQ(moved, 4);
    EXPECT_TRUE(AllFinite(f));
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Fair, CurvesOfTwoLinksAndOneLinkAreLeftAlone) {
    BuiltMesh mesh = MakeIcosphere(f, 50.0, 1);
    Vertex* a = mesh.vertices[3];
    Vertex* b = mesh.vertices[17];
    Vertex* c = mesh.vertices[25];
    AddCurve(f, {a, b}, kClosedCurve);
    // One link: its vertex is its own neighbour on both sides, so the chord is empty.
    AddCurve(f, {c}, kOpenCurve);
    const Vec3 pa = a->position, pb = b->position, pc = c->position;
    f.FairModel();
    // Curve vertices are not moved by the mesh step either, so they are exactly kept.
    EXPECT_EQ(a->position.x, pa.x);
    EXPECT_EQ(a->position.y, pa.y);
    EXPECT_EQ(b->position.z, pb.z);
    EXPECT_EQ(c->position.x, pc.x);
    EXPECT_EQ(c->position.y, pc.y);
    EXPECT_TRUE(AllFinite(f));
}

TEST_F(Fair, CentringOnlyWithAutoCenterAndAModel) {
    MakeIcosphere(f, 20.0, 1, {100, 50, -30});
    f.FairModel();
    EXPECT_GT(f.m_pVertices->position.x, 50);  // no centring without Auto Center

    f.m_bAutoCenter = 1;
    f.m_nModelState = 0;
    f.FairModel();
    EXPECT_GT(f.m_pVertices->position.x, 50);  // nor on an empty scene

    f.m_nModelState = 2;
    f.FairModel();
    const Bounds box = ModelBounds(f);
    EXPECT_NEAR(box.lo.x + box.hi.x, 0.0, 1e-9);
    EXPECT_NEAR(box.lo.y + box.hi.y, 0.0, 1e-9);
    EXPECT_NEAR(box.lo.z + box.hi.z, 0.0, 1e-9);
}

TEST_F(Fair, FlatSquareSharedVertexGetsTheSquareNormalExactly) {
    // A square in the plane y = 5, corners counter-clockwise seen from -y.
    BuiltMesh mesh =
        BuildMesh(f, {{0, 5, 0}, {10, 5, 0}, {10, 5, 10}, {0, 5, 10}}, {{0, 1, 2}, {0, 2, 3}});
    for (Vertex* v : mesh.vertices) v->normal = {1, 0, 0};
    f.ComputeVertexNormals();
    for (int i : {0, 2}) {
        EXPECT_EQ(mesh.vertices[i]->normal.x, 0.0);
        EXPECT_EQ(mesh.vertices[i]->normal.y, -1.0);
        EXPECT_EQ(mesh.vertices[i]->normal.z, 0.0);
    }
    EXPECT_EQ(mesh.vertices[1]->normal.y, -1.0);
    // The un-normalised sum stays in work: two unit normals at the shared corners.
    EXPECT_EQ(mesh.vertices[0]->work.y, -2.0);
}

TEST_F(Fair, NormalsIgnoreZeroAreaTriangles) {
    // The third triangle is a sliver of zero area; it must add nothing.
    BuiltMesh mesh =
        BuildMesh(f, {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 0}}, {{0, 1, 2}, {0, 1, 3}});
    f.ComputeVertexNormals();
    EXPECT_EQ(mesh.vertices[0]->normal.z, 1.0);
    EXPECT_EQ(mesh.vertices[1]->normal.z, 1.0);
    // Only on the sliver: keeps the normal it had.
    mesh.vertices[3]->normal = {0.6, 0.8, 0};
    f.ComputeVertexNormals();
    EXPECT_EQ(mesh.vertices[3]->normal.x, 0.6);
    EXPECT_EQ(mesh.vertices[3]->normal.y, 0.8);
}

TEST_F(Fair, DegenerateInputsNeverProduceNaN) {
    BuiltMesh mesh = MakeIcosphere(f, 30.0, 1);
    // A vertex on no triangle: nothing to average, it stays.
    auto* loose = new Vertex;
    loose->position = {5, 6, 7};
    loose->normal = {0, 0, 1};
    loose->next = f.m_pVertices;
    f.m_pVertices = loose;
    // A collapsed pair of triangles: all corners on one spot, so zero edges and zero
    // area. Built separately and closed on itself (each side is the other's neighbour).
    auto* p = new Vertex;
    auto* q = new Vertex;
    auto* r = new Vertex;
    for (Vertex* v : {p, q, r}) {
        v->position = {-40, 0, 0};
        v->normal = {0, 1, 0};
        v->next = f.m_pVertices;
        f.m_pVertices = v;
    }
    auto* t1 = new Triangle;
    auto* t2 = new Triangle;
    t1->corner[0] = p, t1->corner[1] = q, t1->corner[2] = r;
    t2->corner[0] = q, t2->corner[1] = p, t2->corner[2] = r;
    t1->neighbour[0] = t2, t1->neighbour[1] = t2, t1->neighbour[2] = t2;
    t2->neighbour[0] = t1, t2->neighbour[1] = t1, t2->neighbour[2] = t1;
    t1->next = f.m_pTriangles;
    t2->next = t1;
    f.m_pTriangles = t2;
    AddCurve(f, {mesh.vertices[1]}, kClosedCurve);
    // Two links on one spot: the curve step's chord has zero length.
    AddCurve(f, {mesh.vertices[2], mesh.vertices[2], mesh.vertices[2]}, kClosedCurve);

    f.FairModel();
    EXPECT_TRUE(AllFinite(f));
    EXPECT_EQ(loose->position.x, 5);
    EXPECT_EQ(loose->position.z, 7);
    EXPECT_EQ(loose->normal.z, 1);
    EXPECT_EQ(p->position.x, -40);
}

// An independent computation of the fairing on indexed arrays, straight from the
// description of one iteration; the frame's list walk must give the same positions.
struct Reference {
    std::vector<Vec3> pos, normal;
    std::vector<int> kind;
    std::vector<std::array<int, 3>> faces;
    std::vector<std::pair<int, std::vector<int>>> curves;  // kind, vertex numbers

    void Iterate() {
        for (auto& [curveKind, chain] : curves) {
            const size_t n = chain.size();
            if (n == 2) continue;
            std::vector<Vec3> move(n);
            for (size_t i = 0; i < n; ++i) {
                const Vec3 p = pos[chain[(i + n - 1) % n]];
                const Vec3 q = pos[chain[(i + 1) % n]];
                const Vec3 d = q - p;
                const Vec3 m = 0.5 * (p + q);
                move[i] = (0.5 * Dot(m - pos[chain[i]], d) / Dot(d, d)) * d;
            }
            for (size_t i = 0; i < n; ++i)
                if (curveKind != kOpenCurve || (i != 0 && i != n - 1)) pos[chain[i]] += move[i];
        }
        const size_t nv = pos.size();
        std::vector<Vec3> centroid(nv);
        std::vector<double> h2(nv, 0), curv(nv, 0), sum(nv);
        std::vector<int> count(nv, 0);
        for (const auto& t : faces)
            for (int k = 0; k < 3; ++k) {
                const int a = t[k], b = t[(k + 1) % 3];
                ++count[a];
                centroid[a] += pos[b];
                h2[a] += LengthSq(pos[a] - pos[b]);
            }
        for (size_t i = 0; i < nv; ++i) {
            centroid[i] = centroid[i] / count[i];
            h2[i] /= count[i];
            curv[i] = kind[i] == kSharpVertex ? 0.0 : Dot(pos[i] - centroid[i], normal[i]) / h2[i];
        }
        sum = curv;
        for (const auto& t : faces)
            for (int k = 0; k < 3; ++k) sum[t[k]] += curv[t[(k + 1) % 3]];
        for (size_t i = 0; i < nv; ++i)
            if (kind[i] == kSurfaceVertex)
                pos[i] = centroid[i] + (h2[i] * sum[i] / (count[i] + 1)) * normal[i];
        std::vector<Vec3> acc(nv);
        for (const auto& t : faces) {
            Vec3 n = Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]]);
            n = n / Length(n);
            for (int k = 0; k < 3; ++k) acc[t[k]] += n;
        }
        for (size_t i = 0; i < nv; ++i) normal[i] = acc[i] / Length(acc[i]);
    }
};

TEST_F(Fair, ResultThatRunsAwayIsNotWritten) {
    // One surface vertex far out: its squared edges overflow, and the overflow spreads
    // to its neighbours. The model keeps the positions it had, and every vertex's
    // `index` is its triangle count again rather than the kernel's array number.
    BuiltMesh mesh = MakeIcosphere(f, 30.0, 2);
    const Vec3 sound = mesh.vertices[7]->position;
    mesh.vertices[7]->position = 1e300 * mesh.vertices[7]->normal;
    const std::vector<Vec3> before = Positions(f);
    EXPECT_FALSE(f.FairModel());
    const std::vector<Vec3> after = Positions(f);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].x, after[i].x);
        EXPECT_EQ(before[i].y, after[i].y);
        EXPECT_EQ(before[i].z, after[i].z);
    }
    for (Vertex* v = f.m_pVertices; v; v = v->next) EXPECT_TRUE(v->index == 5 || v->index == 6);
    // The sound sphere is faired as before.
    mesh.vertices[7]->position = sound;
    EXPECT_TRUE(f.FairModel());
}

TEST_F(Fair, MatchesIndependentComputation) {
    BuiltMesh mesh = MakeIcosphere(f, 40.0, 2);
    // Squash the sphere so the fairing has real work to do.
    std::vector<Vec3> squashed;
    for (Vertex* v : mesh.vertices) {
        v->position.y *= 0.5;
        squashed.push_back(v->position);
    }
    std::vector<int> open = {0, 12, 13, 40, 41};
    std::vector<int> closed = {5, 60, 61, 62, 63};
    std::vector<Vertex*> openV, closedV;
    for (int i : open) openV.push_back(mesh.vertices[i]);
    for (int i : closed) closedV.push_back(mesh.vertices[i]);
    AddCurve(f, openV, kOpenCurve);
    AddCurve(f, closedV, kClosedCurve, kSharpVertex);

    Reference ref;
    std::map<Vertex*, int> number;
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        number[mesh.vertices[i]] = static_cast<int>(i);
        ref.pos.push_back(mesh.vertices[i]->position);
        ref.normal.push_back(mesh.vertices[i]->normal);
        ref.kind.push_back(mesh.vertices[i]->kind);
    }
    for (Triangle* t : mesh.triangles)
        ref.faces.push_back({number[t->corner[0]], number[t->corner[1]], number[t->corner[2]]});
    // Curves in list order: the newest (closed) first.
    ref.curves = {{kClosedCurve, closed}, {kOpenCurve, open}};
    for (int i = 0; i < 300; ++i) ref.Iterate();

    f.FairModel();
    double worst = 0;
    for (size_t i = 0; i < mesh.vertices.size(); ++i)
        worst = std::max(worst, Length(mesh.vertices[i]->position - ref.pos[i]));
    EXPECT_LT(worst, 1e-9);
    // The fairing did reshape the squashed sphere, so two idle runs were not compared.
    double moved = 0;
    for (size_t i = 0; i < mesh.vertices.size(); ++i)
        moved = std::max(moved, Length(mesh.vertices[i]->position - squashed[i]));
    EXPECT_GT(moved, 1.0);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Fair, TransformToViewCoversOnlyOlderVertices) {
    MakeIcosphere(f, 30.0, 1);
    f.m_nAzimuth = 30;
    f.m_nElevation = 20;
    f.ComputeViewMatrix();
    // A two-point stroke on top: its view-plane points must survive.
    std::vector<Vertex*> stroke;
    for (int i = 0; i < 2; ++i) {
        auto* v = new Vertex;
        v->kind = kSmoothVertex;
        v->work = {1.5 * i, -2.0, 0};
        v->next = f.m_pVertices;
        f.m_pVertices = v;
        stroke.push_back(v);
    }
    AddCurve(f, stroke, kStrokeCurve);
    f.TransformToView();
    EXPECT_EQ(stroke[1]->work.x, 1.5);
    EXPECT_EQ(stroke[0]->work.y, -2.0);
    // Rotation about y by the azimuth, then about x by the elevation.
    const double az = 30 * 0.01745329252, el = 20 * 0.01745329252;
    int checked = 0;
    for (Vertex* v = stroke[0]->next; v; v = v->next, ++checked) {
        const Vec3 p = v->position;
        const double x1 = std::cos(az) * p.x + std::sin(az) * p.z;
        const double z1 = -std::sin(az) * p.x + std::cos(az) * p.z;
        EXPECT_NEAR(v->work.x, x1, 1e-9);
        EXPECT_NEAR(v->work.y, std::cos(el) * p.y - std::sin(el) * z1, 1e-9);
        EXPECT_NEAR(v->work.z, std::sin(el) * p.y + std::cos(el) * z1, 1e-9);
    }
    EXPECT_EQ(checked, 42);
    EXPECT_EQ(ValidateModel(f), "");
}

}  // namespace
