// Rings and their triangulation by curved chords.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "surface/ChordArcs.h"
#include "surface/FairKernel.h"
#include "surface/PairTable.h"
#include "surface/Ring.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// To see that every ring node is released exactly once, a test counts the nodes made
// and not yet freed since a Counting began.
long g_nodesBefore = 0;
long LiveNodes() { return RingNode::Live() - g_nodesBefore; }

struct Counting {
    Counting() { g_nodesBefore = RingNode::Live(); }
};

struct Scene : TestFrame {
    // The rings here make whole models: the state says a model exists.
    Scene() { frame.m_nModelState = 2; }
};

// A closed curve over new vertices at the given positions with the given normals.
Curve* MakeLoop(CMainFrame& f, const std::vector<Vec3>& positions, const std::vector<Vec3>& normals,
                int vertexKind) {
    std::vector<Vertex*> vs;
    for (size_t i = 0; i < positions.size(); ++i) {
        auto* v = new Vertex;
        v->position = positions[i];
        v->normal = normals.empty() ? Vec3{0, 0, 1} : normals[i];
        v->next = f.m_pVertices;
        f.m_pVertices = v;
        vs.push_back(v);
    }
    return AddCurve(f, vs, kClosedCurve, vertexKind);
}

// A flat circle in the z = 0 plane, anticlockwise seen from +z, with outward in-plane
// normals as the planar lifting gives them.
Curve* MakeCircle(CMainFrame& f, double radius, int count) {
    std::vector<Vec3> p;
    std::vector<Vec3> n;
    for (int i = 0; i < count; ++i) {
        const double t = 2.0 * kPi * i / count;
        p.push_back({radius * std::cos(t), radius * std::sin(t), 0.0});
        n.push_back({std::cos(t), std::sin(t), 0.0});
    }
    return MakeLoop(f, p, n, kSmoothVertex);
}

// Every triangle has three neighbours, each neighbour points back and runs the
// shared edge the other way, no two triangles run one edge the same way (the edge
// would lie in four triangles of the exported mesh), and no position or normal is a
// non-number. Returns "" when all hold.
std::string CheckClosedMesh(const CMainFrame& f) {
    std::string problems = ValidateModel(f);
    std::set<std::pair<const Vertex*, const Vertex*>> directed;
    for (const Triangle* t = f.m_pTriangles; t != nullptr; t = t->next)
        for (int k = 0; k < 3; ++k)
            if (!directed.insert({t->corner[k], t->corner[(k + 1) % 3]}).second)
                problems += "an edge lies in more than two triangles\n";
    for (const Triangle* t = f.m_pTriangles; t != nullptr; t = t->next) {
        for (int k = 0; k < 3; ++k) {
            const Triangle* u = t->neighbour[k];
            if (u == nullptr) {
                problems += "open edge\n";
                continue;
            }
            const Vertex* from = t->corner[k];
            const Vertex* to = t->corner[(k + 1) % 3];
            bool found = false;
            for (int j = 0; j < 3; ++j)
                if (u->corner[j] == to && u->corner[(j + 1) % 3] == from && u->neighbour[j] == t)
                    found = true;
            if (!found) problems += "neighbour does not share the edge reversed\n";
        }
    }
    for (const Vertex* v = f.m_pVertices; v != nullptr; v = v->next)
        if (!IsFinite(v->position) || !IsFinite(v->normal)) problems += "non-finite vertex\n";
    return problems;
}

// The corners of every triangle, in list order: two triangulations made alike give
// the same positions in the same order.
std::vector<Vec3> TriangleCorners(const CMainFrame& f) {
    std::vector<Vec3> out;
    for (const Triangle* t = f.m_pTriangles; t != nullptr; t = t->next)
        for (const Vertex* c : t->corner) out.push_back(c->position);
    return out;
}

std::vector<Vertex*> Nodes(RingNode* ring) {
    std::vector<Vertex*> out;
    RingNode* n = ring;
    do {
        out.push_back(n->vertex);
        n = n->next;
    } while (n != ring);
    return out;
}

// The vertices added since `oldHead` headed the list, oldest first.
std::vector<Vertex*> NewVerticesOldestFirst(const CMainFrame& f, const Vertex* oldHead) {
    std::vector<Vertex*> out;
    for (Vertex* v = f.m_pVertices; v != oldHead; v = v->next) out.insert(out.begin(), v);
    return out;
}

// A sharp closed curve over new vertices at `positions`, made a ring and split along
// its first chord: the row's new vertices, oldest first, and the twin ring of the
// other side, left for the test to split.
struct FirstSplit {
    std::vector<Vertex*> fresh;
    RingNode* twin;
};
FirstSplit SplitSharpLoop(CMainFrame& f, const std::vector<Vec3>& positions) {
    Curve* c = MakeLoop(f, positions, {}, kSharpVertex);
    Vertex* oldHead = f.m_pVertices;
    RingNode* r = f.RingFromCurve(c);
    RingNode* t = f.TwinRing(r);
    f.SplitRing(r, 0);
    return {NewVerticesOldestFirst(f, oldHead), t};
}

void ReleaseRing(RingNode* ring) {
    RingNode* n = ring->next;
    while (n != ring) {
        RingNode* following = n->next;
        delete n;
        n = following;
    }
    delete ring;
}

}  // namespace

TEST(RingFromCurve, RunsAgainstTheChainAndTwinRunsWithIt) {
    Scene s;
    Curve* c = MakeCircle(s.frame, 30, 5);
    std::vector<Vertex*> chain;
    for (CurveLink* l = c->first; l != nullptr; l = l->next) chain.push_back(l->vertex);

    RingNode* r = s.frame.RingFromCurve(c);
    EXPECT_EQ(Nodes(r), (std::vector<Vertex*>{chain[4], chain[3], chain[2], chain[1], chain[0]}));
    RingNode* t = s.frame.TwinRing(r);
    EXPECT_EQ(Nodes(t), (std::vector<Vertex*>{chain[4], chain[0], chain[1], chain[2], chain[3]}));
    // Every node's twin holds the same edge the other way.
    RingNode* n = r;
    do {
        ASSERT_NE(n->twin, nullptr);
        EXPECT_EQ(n->twin->twin, n);
        EXPECT_EQ(n->twin->vertex, n->next->vertex);
        EXPECT_EQ(n->twin->next->vertex, n->vertex);
        EXPECT_EQ(n->triangle, nullptr);
        n = n->next;
    } while (n != r);
    ReleaseRing(r);
    ReleaseRing(t);
}

TEST(SplitRing, ThreeNodesGiveOneTriangleAgainstTheRing) {
    Scene s;
    Curve* c = MakeLoop(s.frame, {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {}, kSmoothVertex);
    const int vertices = CountVertices(s.frame);
    Counting counting;
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    std::vector<Vertex*> ring = Nodes(r);
    s.frame.SplitRing(r, 0);
    ASSERT_EQ(CountTriangles(s.frame), 1);
    const Triangle* tri = s.frame.m_pTriangles;
    EXPECT_EQ(tri->corner[0], ring[0]);
    EXPECT_EQ(tri->corner[1], ring[2]);
    EXPECT_EQ(tri->corner[2], ring[1]);
    s.frame.SplitRing(t, 0);
    EXPECT_EQ(CountTriangles(s.frame), 2);
    EXPECT_EQ(CountVertices(s.frame), vertices);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
    EXPECT_EQ(LiveNodes(), 0);
}

TEST(SplitRing, SharpSquareWithShortDiagonalSplitsAtNodesOneAndThree) {
    // Diagonal 14.1 < 16.18: a single edge; both diagonals tie and the first wins.
    Scene s;
    Curve* c =
        MakeLoop(s.frame, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, {}, kSharpVertex);
    Counting counting;
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    const std::vector<Vertex*> n = Nodes(r);
    s.frame.SplitRing(r, 0);
    ASSERT_EQ(CountTriangles(s.frame), 2);
    const Triangle* second = s.frame.m_pTriangles;
    const Triangle* first = second->next;
    // Ring 1 (a = node 3, b = node 1, node 2) first, then ring 2 (b, a, node 0).
    EXPECT_EQ(std::vector<Vertex*>(first->corner, first->corner + 3),
              (std::vector<Vertex*>{n[3], n[2], n[1]}));
    EXPECT_EQ(std::vector<Vertex*>(second->corner, second->corner + 3),
              (std::vector<Vertex*>{n[1], n[0], n[3]}));
    EXPECT_EQ(first->neighbour[0], nullptr);
    EXPECT_EQ(first->neighbour[2], second);  // edge 1 -> 3
    EXPECT_EQ(second->neighbour[2], first);  // edge 3 -> 1
    // The twin ring would choose the same diagonal, and the two faces would meet in
    // a fin along it; the front's edge already joins nodes 1 and 3, so the back's
    // chord gets a vertex of its own: one vertex, four triangles.
    s.frame.SplitRing(t, 0);
    EXPECT_EQ(CountVertices(s.frame), 5);
    EXPECT_EQ(CountTriangles(s.frame), 6);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
    EXPECT_EQ(LiveNodes(), 0);
}

TEST(SplitRing, ShortcutsJoinWhatTheWholeWalkJoins) {
    // The sharp square of the test above, front and back split in turn, one of them
    // with a filing or both by SplitRingAndTwin: each must give the triangulation the
    // whole walk gives, corner for corner. Whichever face is split second finds the
    // diagonal 1 -> 3 that the first laid bare and gives its own chord a vertex: 5
    // vertices in all.
    enum Filing { kWalked, kLacksAVertex, kHeadGone, kTwinTogether };
    struct Case {
        const char* name;
        bool backWithFiling;
        Filing filing;
    };
    const Case cases[] = {
        // The front's diagonal is found among the triangles filed at the back ring.
        {"filed after the front", true, kWalked},
        // Nothing is filed and one ring vertex lacks a row: the whole walk finds it.
        {"a vertex unfiled", true, kLacksAVertex},
        // The filing's head is not in the list, so the filing is stale and its made-up
        // triangle over 1 and 3 must not count: the front still lays the diagonal bare.
        {"head gone", false, kHeadGone},
        // The front's bare diagonal is handed on to the back without a walk.
        {"twin together", false, kTwinTogether},
    };
    const std::vector<Vec3> square = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    for (const Case& c : cases) {
        Scene whole;
        Scene filed;
        Triangle stray;
        for (Scene* s : {&whole, &filed}) {
            RingNode* front = s->frame.RingFromCurve(MakeLoop(s->frame, square, {}, kSharpVertex));
            if (s == &filed && c.filing == kTwinTogether) {
                SplitRingAndTwin(s->frame, front, 0);
                continue;
            }
            RingNode* back = s->frame.TwinRing(front);
            RingNode* tested = c.backWithFiling ? back : front;
            RingNode* other = c.backWithFiling ? front : back;
            if (c.backWithFiling) s->frame.SplitRing(other, 0);
            if (s == &whole) {
                s->frame.SplitRing(tested, 0);
                if (!c.backWithFiling) s->frame.SplitRing(other, 0);
                continue;
            }
            const std::vector<Vertex*> ring = Nodes(tested);
            TrianglesAtVertices filing;
            filing.head = c.filing == kHeadGone ? &stray : s->frame.m_pTriangles;
            stray.corner[0] = ring[1];
            stray.corner[1] = ring[3];
            stray.corner[2] = ring[0];
            for (size_t i = c.filing == kLacksAVertex ? 1 : 0; i < ring.size(); ++i) {
                filing.row.Insert(ring[i], static_cast<int32_t>(filing.at.size()));
                filing.at.emplace_back();
                if (c.filing == kHeadGone) filing.at.back().emplace_back(&stray, 0);
                for (Triangle* t = s->frame.m_pTriangles; c.filing == kWalked && t; t = t->next)
                    for (int k = 0; k < 3; ++k)
                        if (t->corner[k] == ring[i]) filing.at.back().emplace_back(t, k);
            }
            SplitRingAmongFiled(s->frame, tested, 0, filing);
            if (!c.backWithFiling) s->frame.SplitRing(other, 0);
        }
        EXPECT_EQ(CountVertices(filed.frame), 5) << c.name;
        const std::vector<Vec3> expected = TriangleCorners(whole.frame);
        const std::vector<Vec3> got = TriangleCorners(filed.frame);
        ASSERT_EQ(got.size(), expected.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].x, expected[i].x) << c.name << " corner " << i;
            EXPECT_EQ(got[i].y, expected[i].y) << c.name << " corner " << i;
            EXPECT_EQ(got[i].z, expected[i].z) << c.name << " corner " << i;
        }
        EXPECT_EQ(CheckClosedMesh(filed.frame), "") << c.name;
    }
}

TEST(SplitRing, SharpSquareWithLongDiagonalLaysEvenStraightRow) {
    // Diagonal 141.4: straight chord, N = trunc(14.14 + 0.382) = 14, 13 new vertices
    // evenly spaced from node 1 (100, 100) to node 3 (0, 0) of the ring.
    Scene s;
    const auto [fresh, t] =
        SplitSharpLoop(s.frame, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}});
    ASSERT_GE(fresh.size(), 13u);
    for (int i = 1; i <= 13; ++i) {
        const Vertex* w = fresh[i - 1];
        const double u = i / 14.0;
        EXPECT_NEAR(w->position.x, 100.0 - 100.0 * u, 1e-9);
        EXPECT_NEAR(w->position.y, 100.0 - 100.0 * u, 1e-9);
        EXPECT_NEAR(w->position.z, 0.0, 1e-12);
        EXPECT_EQ(w->kind, kSurfaceVertex);
    }
    s.frame.SplitRing(t, 0);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
}

TEST(SplitRing, SegmentCountFollowsMeanArcLength) {
    struct Case {
        double diagonal;
        size_t rowVertices;  // N - 1, or 0 when N <= 1
    };
    // 16.0 / 10 + 0.382 < 2: one edge; 16.4 gives N = 2; 100 gives N = 10.
    for (const Case& k : {Case{16.0, 0}, Case{16.4, 1}, Case{100.0, 9}}) {
        Scene s;
        const double h = k.diagonal / 2.0;
        const auto [fresh, t] =
            SplitSharpLoop(s.frame, {{h, 0, 0}, {0, h, 0}, {-h, 0, 0}, {0, -h, 0}});
        // The ring runs (0, -h), (-h, 0), (0, h), (h, 0): the first chord's row lies on
        // the diagonal y = 0 from node 1 (-h, 0) to node 3 (h, 0).
        size_t onDiagonal = 0;
        for (size_t i = 0; i < fresh.size() && std::abs(fresh[i]->position.y) < 1e-9; ++i) {
            const double u = (i + 1.0) / (k.rowVertices + 1.0);
            EXPECT_NEAR(fresh[i]->position.x, -h + 2.0 * h * u, 1e-9);
            ++onDiagonal;
        }
        EXPECT_EQ(onDiagonal, k.rowVertices) << k.diagonal;
        s.frame.SplitRing(t, 0);
        EXPECT_EQ(CheckClosedMesh(s.frame), "");
    }
}

TEST(SplitRing, CircleDiameterChordIsAHalfCircle) {
    // Four points of a circle of radius 20 with in-plane normals: the chord between
    // nodes 1 and 3 is a diameter, its sphere is empty, handles are 4R/3 along -z and
    // both arcs are pi R, so N = trunc(6.28 + 0.382) = 6.
    const double R = 20.0;
    Scene s;
    Curve* c = MakeLoop(s.frame, {{R, 0, 0}, {0, R, 0}, {-R, 0, 0}, {0, -R, 0}},
                        {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}}, kSmoothVertex);
    Vertex* oldHead = s.frame.m_pVertices;
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    // The twin runs with the chain, anticlockwise seen from +z, from (0, -R): the
    // first chord joins node 1 (b) and node 3 (a).
    const std::vector<Vertex*> n = Nodes(t);
    const Vec3 B = n[1]->position;
    const Vec3 A = n[3]->position;
    ASSERT_NEAR(Length(B - A), 2 * R, 1e-12);
    s.frame.SplitRing(t, 0);
    const std::vector<Vertex*> fresh = NewVerticesOldestFirst(s.frame, oldHead);
    ASSERT_GE(fresh.size(), 5u);
    // Independent evaluation of the expected cubic from b to a.
    const Vec3 handle{0, 0, -4.0 * R / 3.0};
    for (int i = 1; i <= 5; ++i) {
        const double u = i / 6.0;
        const double v = 1.0 - u;
        const Vec3 expect = v * v * v * B + 3 * v * v * u * (B + handle) +
                            3 * v * u * u * (A + handle) + u * u * u * A;
        EXPECT_NEAR(fresh[i - 1]->position.x, expect.x, 1e-9);
        EXPECT_NEAR(fresh[i - 1]->position.y, expect.y, 1e-9);
        EXPECT_NEAR(fresh[i - 1]->position.z, expect.z, 1e-9);
        // Close to the true circle, and the normal points away from its centre.
        // The cubic overshoots a half circle by at most about 1.8 %.
        EXPECT_NEAR(Length(fresh[i - 1]->position), R, 0.02 * R);
        EXPECT_GT(Dot(fresh[i - 1]->normal, fresh[i - 1]->position) / R, 0.99);
    }
    // u = 0.5 lies on the axis at distance R.
    EXPECT_NEAR(fresh[2]->position.x, 0.0, 1e-12);
    EXPECT_NEAR(fresh[2]->position.y, 0.0, 1e-12);
    EXPECT_NEAR(fresh[2]->position.z, -R, 1e-9);
    s.frame.SplitRing(r, 0);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
}

TEST(SplitRing, TwinPairClosesTheSurfaceAndReleasesEveryNode) {
    for (int count : {3, 4, 7, 24, 63}) {
        Scene s;
        Curve* c = MakeCircle(s.frame, 10.0 * count / (2 * kPi), count);
        Counting counting;
        RingNode* r = s.frame.RingFromCurve(c);
        RingNode* t = s.frame.TwinRing(r);
        EXPECT_EQ(LiveNodes(), 2 * count);
        s.frame.SplitRing(r, 0);
        s.frame.SplitRing(t, 0);
        EXPECT_EQ(LiveNodes(), 0) << count;
        EXPECT_EQ(CheckClosedMesh(s.frame), "") << count;
        // Closed genus-0 surface: V - E + F = 2 with E = 3F / 2.
        const int v = CountVertices(s.frame);
        const int f = CountTriangles(s.frame);
        EXPECT_EQ(2 * v - f, 4) << count;
    }
}

TEST(SplitRing, CircleBecomesTwoDomesOnOppositeSides) {
    Scene s;
    Curve* c = MakeCircle(s.frame, 60.0, 36);
    Vertex* oldHead = s.frame.m_pVertices;
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    s.frame.SplitRing(r, 0);
    Vertex* afterFirst = s.frame.m_pVertices;
    s.frame.SplitRing(t, 0);
    // The ring runs clockwise seen from +z: its face bulges toward +z, the twin's
    // face toward -z; no chord vertex leaves the sphere of the circle by much.
    int firstFace = 0;
    for (Vertex* v = afterFirst; v != oldHead; v = v->next, ++firstFace) {
        EXPECT_GT(v->position.z, 0.0);
        EXPECT_LT(Length(v->position), 60.0 * 1.02);
    }
    int secondFace = 0;
    for (Vertex* v = s.frame.m_pVertices; v != afterFirst; v = v->next, ++secondFace) {
        EXPECT_LT(v->position.z, 0.0);
        EXPECT_LT(Length(v->position), 60.0 * 1.02);
    }
    EXPECT_GT(firstFace, 10);
    EXPECT_EQ(firstFace, secondFace);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
}

TEST(SplitRing, TwoAndOneNodeRingsReleaseTheirNodes) {
    // No triangle can be built on fewer than three nodes; the nodes still go.
    for (int count : {1, 2}) {
        Scene s;
        std::vector<Vec3> p;
        for (int i = 0; i < count; ++i) p.push_back({10.0 * i, 0, 0});
        Curve* c = MakeLoop(s.frame, p, {}, kSmoothVertex);
        Counting counting;
        RingNode* r = s.frame.RingFromCurve(c);
        RingNode* t = s.frame.TwinRing(r);
        s.frame.SplitRing(r, 0);
        s.frame.SplitRing(t, 0);
        EXPECT_EQ(LiveNodes(), 0) << count;
        EXPECT_EQ(CountTriangles(s.frame), 0);
        EXPECT_EQ(CountVertices(s.frame), count);
    }
}

TEST(SplitRing, ListLoopingPastItsFirstNodeIsLeftAlone) {
    // Following `next` from the first node comes round to the third, never back to the
    // first: there is no ring to split, and the split must end having made nothing
    // rather than walk the loop for ever.
    Scene s;
    Curve* c = MakeCircle(s.frame, 10.0, 5);
    Counting counting;
    RingNode* r = s.frame.RingFromCurve(c);
    std::vector<RingNode*> nodes;
    for (RingNode* n = r; nodes.size() < 5; n = n->next) nodes.push_back(n);
    nodes[4]->next = nodes[2];
    // Nor has it a twin: none is made, and the walk ends.
    EXPECT_EQ(s.frame.TwinRing(r), nullptr);
    s.frame.SplitRing(r, 0);
    EXPECT_EQ(CountTriangles(s.frame), 0);
    EXPECT_EQ(CountVertices(s.frame), 5);
    EXPECT_EQ(LiveNodes(), 5);
    // A list that runs out has no twin either.
    nodes[4]->next = nullptr;
    EXPECT_EQ(s.frame.TwinRing(r), nullptr);
    EXPECT_EQ(LiveNodes(), 5);
    for (RingNode* n : nodes) delete n;
}

TEST(SplitRing, TwoNodeRingStitchesTheTrianglesOnItsFarSides) {
    // Two triangles each wait on an edge between v0 and v1; a two-node ring over
    // that edge encloses nothing, so the two triangles become neighbours.
    Scene s;
    Vertex v[4];
    v[0].position = {0, 0, 0};
    v[1].position = {10, 0, 0};
    v[2].position = {5, 10, 0};
    v[3].position = {5, -10, 0};
    std::vector<RingNode*> made;
    auto node = [&made](Vertex* vertex) {
        auto* n = new RingNode;
        n->vertex = vertex;
        made.push_back(n);
        return n;
    };
    auto triangleRing = [&](Vertex* p, Vertex* q, Vertex* w, RingNode*& open) {
        RingNode* x = node(p);
        RingNode* y = node(q);
        RingNode* z = node(w);
        x->next = y;
        y->next = z;
        z->next = x;
        // y and z face nothing here: their twins stand alone and are never built.
        for (RingNode* e : {y, z}) {
            e->twin = node(nullptr);
            e->twin->twin = e;
        }
        open = x;
        return x;
    };
    Counting counting;
    RingNode* x0 = nullptr;
    RingNode* y0 = nullptr;
    RingNode* ringX = triangleRing(&v[1], &v[0], &v[2], x0);  // edge v1 -> v0
    RingNode* ringY = triangleRing(&v[0], &v[1], &v[3], y0);  // edge v0 -> v1
    RingNode* d0 = node(&v[0]);
    RingNode* d1 = node(&v[1]);
    d0->next = d1;
    d1->next = d0;
    d0->twin = x0;
    x0->twin = d0;
    d1->twin = y0;
    y0->twin = d1;
    s.frame.SplitRing(ringX, 0);
    s.frame.SplitRing(ringY, 0);
    ASSERT_EQ(CountTriangles(s.frame), 2);
    const Triangle* t2 = s.frame.m_pTriangles;
    const Triangle* t1 = t2->next;
    s.frame.SplitRing(d0, 0);
    // x0's edge sits at neighbour[2] of its triangle, as does y0's.
    EXPECT_EQ(t1->neighbour[2], t2);
    EXPECT_EQ(t2->neighbour[2], t1);
    // Left: the four waiting nodes and their four lone twins.
    EXPECT_EQ(LiveNodes(), 8);
    const std::set<RingNode*> released = {x0, y0, d0, d1};
    for (RingNode* n : made)
        if (released.count(n) == 0) delete n;
    s.frame.m_pTriangles = nullptr;
    delete t1;
    delete t2;
}

TEST(SplitRing, CoarseRingStillEnds) {
    // Four nodes 28 units apart: the end directions are poor and, unchecked, rings
    // kept splitting into rings no smaller. The patch must end, closed and finite,
    // with a bounded number of vertices.
    for (double radius : {20.0, 60.0}) {
        Scene s;
        MakeCircle(s.frame, radius, 4);
        Counting counting;
        RingNode* r = s.frame.RingFromCurve(s.frame.m_pCurves);
        RingNode* t = s.frame.TwinRing(r);
        s.frame.SplitRing(r, 0);
        s.frame.SplitRing(t, 0);
        EXPECT_EQ(LiveNodes(), 0);
        EXPECT_EQ(CheckClosedMesh(s.frame), "") << radius;
        EXPECT_LT(CountVertices(s.frame), 20000) << radius;
    }
}

TEST(SplitRing, CoincidentChordEndsStayFinite) {
    // Nodes 1 and 3 lie on one point: the shortest chord has no length, is accepted
    // at once (its sphere is empty) and becomes a single edge in the first face. The
    // second face may not repeat that edge, so its chord gets a vertex of its own,
    // and the rings around it split further.
    Scene s;
    Curve* c = MakeLoop(s.frame, {{-20, 0, 0}, {0, 0, 0}, {20, 0, 0}, {0, 0, 0}},
                        {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, -1, 0}}, kSmoothVertex);
    Counting counting;
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    s.frame.SplitRing(r, 0);
    s.frame.SplitRing(t, 0);
    EXPECT_EQ(LiveNodes(), 0);
    EXPECT_EQ(CountVertices(s.frame), 7);
    EXPECT_EQ(CountTriangles(s.frame), 10);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
}

TEST(SplitRing, EndDirectionsPointingBackStayFinite) {
    // Sharp ends with flag 1 leave along their normals; here every normal points
    // straight away from the square's centre, so the first chord's ends point away
    // from each other (no circular arc exists). Rows must stay finite and bounded.
    Scene s;
    const double h = 40.0;
    Curve* c = MakeLoop(s.frame, {{h, 0, 0}, {0, h, 0}, {-h, 0, 0}, {0, -h, 0}},
                        {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}}, kSharpVertex);
    RingNode* r = s.frame.RingFromCurve(c);
    RingNode* t = s.frame.TwinRing(r);
    s.frame.SplitRing(r, 1);
    s.frame.SplitRing(t, 1);
    EXPECT_EQ(CheckClosedMesh(s.frame), "");
    for (const Vertex* v = s.frame.m_pVertices; v != nullptr; v = v->next)
        EXPECT_LT(Length(v->position), 10 * h);
}

TEST(SplitRing, RowAlongItsOwnTangentsTakesTheEndNormals) {
    // A flat ring folded onto a line: the chord, its handles and the boundary
    // tangents all lie along x, so D x Tu is zero; the row's normals come from the
    // two ends' normals instead of being non-numbers.
    Scene s;
    const auto [fresh, t] =
        SplitSharpLoop(s.frame, {{0, 0, 0}, {40, 0, 0}, {80, 0, 0}, {120, 0, 0}});
    // The ring runs 120, 80, 40, 0 along x; the first chord joins node 1 (80, 0) and
    // node 3 (0, 0): N = trunc(8 + 0.382) = 8, the row runs from 80 down to 0.
    ASSERT_GE(fresh.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(fresh[i]->position.x, 80.0 - 10.0 * (i + 1), 1e-9);
        EXPECT_NEAR(fresh[i]->position.y, 0.0, 1e-12);
        EXPECT_NEAR(fresh[i]->normal.z, 1.0, 1e-12);
    }
    s.frame.SplitRing(t, 0);
    for (const Vertex* v = s.frame.m_pVertices; v != nullptr; v = v->next) {
        EXPECT_TRUE(IsFinite(v->position));
        EXPECT_TRUE(IsFinite(v->normal));
    }
}

TEST(SplitRing, TwinFacesSideBySideGiveWhatOneThreadGives) {
    // A big ring's two faces are split on two threads. The twin's face must come out
    // corner for corner as when split after the ring's, whether it was kept or, having
    // taken as free a chord that the ring's face laid bare, split again; a small ring
    // stays on one thread.
    const auto polygon = [](int sides, int perSide, double radius) {
        std::vector<Vec3> p;
        for (int k = 0; k < sides; ++k) {
            const double t0 = 2.0 * kPi * k / sides;
            const double t1 = 2.0 * kPi * (k + 1) / sides;
            const Vec3 a{radius * std::cos(t0), radius * std::sin(t0), 0.0};
            const Vec3 b{radius * std::cos(t1), radius * std::sin(t1), 0.0};
            for (int i = 0; i < perSide; ++i)
                p.push_back(a + (static_cast<double>(i) / perSide) * (b - a));
        }
        return p;
    };
    struct Case {
        const char* name;
        std::vector<Vec3> positions;
        int kind;
        TwinSplit how;
    };
    const bool two = FairKernel::Processors() > 1;
    const std::vector<Case> cases = {
        {"square of 64", polygon(4, 16, 12.0), kSharpVertex, TwinSplit::SideBySide},
        {"triangle of 66", polygon(3, 22, 12.0), kSharpVertex, TwinSplit::SplitAgain},
        {"circle of 72", polygon(72, 1, 8.0), kSmoothVertex, TwinSplit::SideBySide},
        {"circle of 63", polygon(63, 1, 8.0), kSmoothVertex, TwinSplit::OneThread},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene apart;
        Scene paired;
        for (Scene* s : {&apart, &paired}) {
            s->frame.m_dStrokeStep = 1.0;
            Counting counting;
            RingNode* ring = s->frame.RingFromCurve(MakeLoop(s->frame, c.positions, {}, c.kind));
            if (s == &paired) {
                EXPECT_EQ(SplitRingAndTwin(s->frame, ring, 0), two ? c.how : TwinSplit::OneThread);
            } else {
                RingNode* twin = s->frame.TwinRing(ring);
                s->frame.SplitRing(ring, 0);
                s->frame.SplitRing(twin, 0);
            }
            EXPECT_EQ(LiveNodes(), 0);
            EXPECT_EQ(CheckClosedMesh(s->frame), "");
        }
        EXPECT_EQ(CountVertices(paired.frame), CountVertices(apart.frame));
        const std::vector<Vec3> expected = TriangleCorners(apart.frame);
        const std::vector<Vec3> got = TriangleCorners(paired.frame);
        ASSERT_EQ(got.size(), expected.size());
        int differing = 0;
        for (size_t i = 0; i < got.size(); ++i)
            differing += got[i].x == expected[i].x && got[i].y == expected[i].y &&
                                 got[i].z == expected[i].z
                             ? 0
                             : 1;
        EXPECT_EQ(differing, 0);
    }
}

// The pair table against a std::map: through its growth from sixteen slots, for pairs
// whose members share high or low address bits, and for pairs with a null member
// (which only a damaged ring makes, and which must not read as an empty slot).
TEST(PairTable, FindsWhatWasPutAndNothingElse) {
    std::vector<Vertex> vertices(600);
    std::vector<ring_split::VertexPair> pairs;
    for (size_t i = 0; i + 1 < vertices.size(); i += 2) {
        pairs.push_back({&vertices[i], &vertices[i + 1]});
        pairs.push_back({&vertices[i + 1], &vertices[vertices.size() - 1 - i]});
    }
    pairs.push_back({nullptr, &vertices[7]});
    pairs.push_back({nullptr, nullptr});
    pairs.push_back({&vertices[7], nullptr});

    ring_split::PairTable<int> table;
    std::map<ring_split::VertexPair, int> expected;
    for (size_t i = 0; i < pairs.size(); i += 2) {
        table.At(pairs[i]) += static_cast<int>(i) + 1;
        expected[pairs[i]] += static_cast<int>(i) + 1;
    }
    table.At(pairs[0]) += 5;  // a second visit adds to what is there
    expected[pairs[0]] += 5;
    for (const ring_split::VertexPair& pair : pairs) {
        const int* found = table.Find(pair);
        const auto it = expected.find(pair);
        ASSERT_EQ(found != nullptr, it != expected.end()) << (&pair - pairs.data());
        if (found != nullptr) {
            EXPECT_EQ(*found, it->second);
        }
    }
    EXPECT_FALSE(table.Contains({&vertices[1], &vertices[0]}));  // order counts
}

// The two cheap numbers that stand for a chord end's arc when the chord is to stay
// bare must never fall below the arc itself as ArcAndHandle finds it: ArcBound at
// every end, the quick limit wherever it says it holds. Ends from straight along the
// chord to turned back, chords from far under the limit to past it, at three scales.
TEST(ChordArcs, BoundsNeverFallBelowTheArc) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const double step : {1e-3, 1.0, 1e3}) {
        const ring_split::QuickArcLimit quick((2.0 - 0.382) * step);
        long held = 0;
        long heldNearLimit = 0;
        for (int i = 0; i < 200000; ++i) {
            // Turn from the chord: evenly in angle, or crowded near straight.
            const double turn = i % 2 == 0 ? 3.1 * unit(random) : std::pow(10.0, -9.0 * unit(random));
            const double chordLen = step * (0.2 + 1.6 * unit(random));
            const double dirLen = std::pow(10.0, 8.0 * unit(random) - 4.0);
            const double spin = 6.283 * unit(random);
            const Vec3 toward{chordLen, 0.0, 0.0};
            const Vec3 dir{dirLen * std::cos(turn), dirLen * std::sin(turn) * std::cos(spin),
                           dirLen * std::sin(turn) * std::sin(spin)};
            const double chordSq = LengthSq(toward);
            double arc = 0.0;
            Vec3 handle;
            ring_split::ArcAndHandle(dir, toward, chordSq, std::sqrt(chordSq), arc, handle);
            ASSERT_GE(ring_split::ArcBound(dir, toward, chordSq, std::sqrt(chordSq)), arc)
                << "turn " << turn << " chord " << chordLen << " dir " << dirLen;
            if (!quick.Holds(dir, toward, chordSq)) continue;
            ++held;
            if (arc > 0.99 * quick.Limit()) ++heldNearLimit;
            ASSERT_LT(arc, quick.Limit())
                << "turn " << turn << " chord " << chordLen << " dir " << dirLen;
        }
        // Both sides of the question were asked, close to the limit too.
        EXPECT_GT(held, 20000);
        EXPECT_GT(heldNearLimit, 100);
    }
}
