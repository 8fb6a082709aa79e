// Release of records, the model checker and snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "host/HeadlessHost.h"
#include "model/Snapshot.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

struct Model : FrameTest {
    // An octahedron: closed, 6 vertices, 8 triangles, with a closed curve round its
    // equator.
    BuiltMesh Octahedron() {
        BuiltMesh mesh =
            BuildMesh(f, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
                      {{0, 1, 4},
                       {1, 2, 4},
                       {2, 3, 4},
                       {3, 0, 4},
                       {1, 0, 5},
                       {2, 1, 5},
                       {3, 2, 5},
                       {0, 3, 5}});
        f.m_nModelState = 2;
        return mesh;
    }
    bool Reports(const std::string& what) {
        const std::string report = ValidateModel(f);
        return report.find(what) != std::string::npos;
    }
    // Points `slot` at a record that is in none of the model's lists, expects the
    // checker to report `what`, and points it back, after which the model must pass.
    template <typename Record>
    void ExpectStrayReported(Record*& slot, const std::string& what) {
        Record stray;
        Record* saved = slot;
        slot = &stray;
        EXPECT_TRUE(Reports(what)) << ValidateModel(f);
        slot = saved;
        EXPECT_EQ(ValidateModel(f), "");
    }
};

TEST_F(Model, ReleaseChainFreesLinksAndTheirVerticesOfLongChain) {
    // Long enough that a recursive release would exhaust the stack.
    CurveLink* head = nullptr;
    for (int i = 0; i < 1000000; ++i) {
        auto* l = new CurveLink;
        l->vertex = (i % 2 == 0) ? new Vertex : nullptr;
        l->next = head;
        head = l;
    }
    ReleaseChain(head, ChainVertices::Release);  // ASan reports any leak or double free
    SUCCEED();
}

TEST_F(Model, ReleaseModelFreesEverythingOnce) {
    BuiltMesh mesh = Octahedron();
    AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2], mesh.vertices[3]},
             kClosedCurve);
    AddCurve(f, {mesh.vertices[4], mesh.vertices[0], mesh.vertices[5]}, kOpenCurve);
    ASSERT_EQ(ValidateModel(f), "");
    // Curve vertices are shared with the vertex list; the release must not free
    // them a second time (ASan would report it).
    ReleaseModel(f);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pTriangles, nullptr);
    EXPECT_EQ(f.m_nModelState, 0);
    // On an empty model the release only resets ModelState.
    f.m_nModelState = 2;
    ReleaseModel(f);
    EXPECT_EQ(f.m_nModelState, 0);
}

TEST_F(Model, ValidatorAcceptsSoundModels) {
    BuiltMesh mesh = Octahedron();
    AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2], mesh.vertices[3]},
             kClosedCurve);
    EXPECT_EQ(ValidateModel(f), "");
    f.m_nModelState = 1;
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorAcceptsStrokeAtFrontOnEmptyScene) {
    std::vector<Vertex*> points;
    for (int i = 0; i < 3; ++i) {
        auto* v = new Vertex;
        v->kind = kSmoothVertex;
        v->next = f.m_pVertices;
        f.m_pVertices = v;
        points.push_back(v);
    }
    AddCurve(f, points, kStrokeCurve);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorFindsBrokenAdjacency) {
    BuiltMesh mesh = Octahedron();
    Triangle* t = mesh.triangles[0];
    Triangle* u = t->neighbour[0];
    t->neighbour[0] = nullptr;
    EXPECT_TRUE(Reports("is null")) << ValidateModel(f);
    // Pointing at a triangle that does not share the edge.
    t->neighbour[0] = mesh.triangles[2];
    EXPECT_TRUE(Reports("does not share the edge")) << ValidateModel(f);
    t->neighbour[0] = u;
    // One-sided link: u no longer points back.
    for (Triangle*& n : u->neighbour)
        if (n == t) n = mesh.triangles[7];
    EXPECT_TRUE(Reports("does not point back")) << ValidateModel(f);
}

TEST_F(Model, ValidatorFindsNeighbourOutsideList) {
    BuiltMesh mesh = Octahedron();
    ExpectStrayReported(mesh.triangles[3]->neighbour[1], "not in the triangle list");
}

TEST_F(Model, ValidatorFindsForeignVertices) {
    BuiltMesh mesh = Octahedron();
    ExpectStrayReported(mesh.triangles[5]->corner[2], "corner 2 is not in the vertex list");
    Curve* c = AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kClosedCurve);
    ExpectStrayReported(c->first->next->vertex, "holds a vertex that is not in the vertex list");
}

TEST_F(Model, ValidatorFindsListCycles) {
    BuiltMesh mesh = Octahedron();
    // The oldest vertex pointing back at the head closes the list into a loop.
    mesh.vertices[0]->next = f.m_pVertices;
    EXPECT_TRUE(Reports("vertex list"));
    mesh.vertices[0]->next = nullptr;
    mesh.triangles[0]->next = f.m_pTriangles;
    EXPECT_TRUE(Reports("triangle list"));
    mesh.triangles[0]->next = nullptr;
    Curve* a = AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kClosedCurve);
    a->next = a;
    EXPECT_TRUE(Reports("curve list"));
    a->next = nullptr;
    EXPECT_EQ(ValidateModel(f), "");
}

// The checker numbers the records in their scratch fields while it runs; whatever it
// finds, a vertex's `index` and a triangle's `mark` must come back as they were (a
// drawing file keeps them), also when a list loops and a record is met twice.
TEST_F(Model, ValidatorLeavesScratchFieldsAsFound) {
    BuiltMesh mesh = Octahedron();
    for (size_t i = 0; i < mesh.vertices.size(); ++i) mesh.vertices[i]->index = 100 + int(i);
    for (size_t i = 0; i < mesh.triangles.size(); ++i) mesh.triangles[i]->mark = -7 * int(i);
    Vertex stray;
    struct Case {
        const char* fault;
        std::function<void()> make, undo;
    };
    const std::vector<Case> cases = {
        {"", [] {}, [] {}},
        // Six vertices, then the head again: the seventh place repeats.
        {"vertex #6 appears twice", [&] { mesh.vertices[0]->next = f.m_pVertices; },
         [&] { mesh.vertices[0]->next = nullptr; }},
        {"triangle #8 appears twice", [&] { mesh.triangles[0]->next = f.m_pTriangles; },
         [&] { mesh.triangles[0]->next = nullptr; }},
        // A loop into the middle of the list comes round at the oldest vertex's place.
        {"vertex #6 appears twice", [&] { mesh.vertices[0]->next = mesh.vertices[3]; },
         [&] { mesh.vertices[0]->next = nullptr; }},
        {"corner 1 is not in the vertex list", [&] { mesh.triangles[4]->corner[1] = &stray; },
         [&] { mesh.triangles[4]->corner[1] = mesh.vertices[0]; }},
    };
    for (const Case& c : cases) {
        c.make();
        const std::string report = ValidateModel(f);
        c.undo();
        if (*c.fault == '\0')
            EXPECT_EQ(report, "");
        else
            EXPECT_NE(report.find(c.fault), std::string::npos) << c.fault << ": " << report;
        for (size_t i = 0; i < mesh.vertices.size(); ++i)
            EXPECT_EQ(mesh.vertices[i]->index, 100 + int(i)) << c.fault;
        for (size_t i = 0; i < mesh.triangles.size(); ++i)
            EXPECT_EQ(mesh.triangles[i]->mark, -7 * int(i)) << c.fault;
    }
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorFindsBrokenChains) {
    BuiltMesh mesh = Octahedron();
    Curve* a = AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kClosedCurve);
    // Closed into a ring: allowed only inside one operation.
    a->last->next = a->first;
    EXPECT_TRUE(Reports("visited twice"));
    a->last->next = nullptr;
    // `last` not at the end of the chain.
    CurveLink* realLast = a->last;
    a->last = a->first;
    EXPECT_TRUE(Reports("does not end at its last link"));
    a->last = realLast;
    // Two curves sharing a tail of links.
    Curve* b = AddCurve(f, {mesh.vertices[3], mesh.vertices[4]}, kOpenCurve);
    CurveLink* own = b->first->next;
    b->first->next = a->first->next;
    b->last = a->last;
    EXPECT_TRUE(Reports("chain loops or is shared"));
    b->first->next = own;
    b->last = own;
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorFindsBadKindsAndPositions) {
    BuiltMesh mesh = Octahedron();
    mesh.vertices[2]->kind = kRemovedVertex;
    EXPECT_TRUE(Reports("kind 3"));
    mesh.vertices[2]->kind = 0;
    mesh.vertices[3]->position.y = std::nan("");
    EXPECT_TRUE(Reports("not finite"));
    mesh.vertices[3]->position.y = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(Reports("not finite"));
    mesh.vertices[3]->position.y = -1;
    Curve* c = AddCurve(f, {mesh.vertices[0], mesh.vertices[1]}, 5);
    EXPECT_TRUE(Reports("kind 5"));
    c->kind = kOpenCurve;
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorFindsMisplacedStroke) {
    BuiltMesh mesh = Octahedron();
    // A stroke (kind 0) below another curve.
    AddCurve(f, {mesh.vertices[0], mesh.vertices[1]}, kStrokeCurve);
    AddCurve(f, {mesh.vertices[2], mesh.vertices[3]}, kOpenCurve);
    EXPECT_TRUE(Reports("not the newest curve"));
    ReleaseModel(f);

    // A stroke at the head whose vertices are not the front of the vertex list.
    BuiltMesh again = Octahedron();
    AddCurve(f, {again.vertices[0], again.vertices[1]}, kStrokeCurve);
    EXPECT_TRUE(Reports("front of the vertex list"));
    // In the right order (newest at the head) it is fine.
    ReleaseModel(f);
    BuiltMesh third = Octahedron();
    AddCurve(f, {third.vertices[4], third.vertices[5]}, kStrokeCurve);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Model, ValidatorChecksModelState) {
    BuiltMesh mesh = Octahedron();
    f.m_nModelState = 0;
    EXPECT_TRUE(Reports("model state 0 but triangles exist"));
    f.m_nModelState = 1;
    EXPECT_TRUE(Reports("newest model curve is not closed"));
    AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kOpenCurve);
    EXPECT_TRUE(Reports("newest model curve is not closed"));
    f.m_pCurves->kind = kClosedCurve;
    EXPECT_EQ(ValidateModel(f), "");
    f.m_nModelState = 7;
    EXPECT_TRUE(Reports("outside 0..2"));
    ReleaseModel(f);
    f.m_nModelState = 2;
    EXPECT_TRUE(Reports("model state 2 but no triangles"));
}

TEST_F(Model, ValidatorReportIsBounded) {
    BuiltMesh mesh = MakeIcosphere(f, 10.0, 2);
    for (Triangle* t : mesh.triangles) t->neighbour[0] = nullptr;
    const std::string report = ValidateModel(f);
    EXPECT_NE(report.find("more"), std::string::npos);
    EXPECT_LT(std::count(report.begin(), report.end(), '\n'), 30);
}

// Field by field, pointer structure by list position.
void ExpectSameModel(const CMainFrame& a, const CMainFrame& b) {
    std::vector<const Vertex*> va, vb;
    for (const Vertex* v = a.m_pVertices; v; v = v->next) va.push_back(v);
    for (const Vertex* v = b.m_pVertices; v; v = v->next) vb.push_back(v);
    ASSERT_EQ(va.size(), vb.size());
    auto vertexNumber = [](const std::vector<const Vertex*>& list, const Vertex* v) {
        return std::find(list.begin(), list.end(), v) - list.begin();
    };
    for (size_t i = 0; i < va.size(); ++i) {
        EXPECT_NE(va[i], vb[i]);
        EXPECT_EQ(va[i]->kind, vb[i]->kind);
        EXPECT_EQ(va[i]->index, vb[i]->index);
        EXPECT_EQ(va[i]->position.x, vb[i]->position.x);
        EXPECT_EQ(va[i]->position.y, vb[i]->position.y);
        EXPECT_EQ(va[i]->position.z, vb[i]->position.z);
        EXPECT_EQ(va[i]->normal.z, vb[i]->normal.z);
        EXPECT_EQ(va[i]->work.x, vb[i]->work.x);
        EXPECT_EQ(va[i]->curvature, vb[i]->curvature);
        EXPECT_EQ(va[i]->curvatureSum, vb[i]->curvatureSum);
        EXPECT_EQ(va[i]->meanSqEdge, vb[i]->meanSqEdge);
    }
    const Curve* ca = a.m_pCurves;
    const Curve* cb = b.m_pCurves;
    for (; ca && cb; ca = ca->next, cb = cb->next) {
        EXPECT_EQ(ca->kind, cb->kind);
        EXPECT_EQ(ca->clockwise, cb->clockwise);
        const CurveLink* la = ca->first;
        const CurveLink* lb = cb->first;
        for (; la && lb; la = la->next, lb = lb->next)
            EXPECT_EQ(vertexNumber(va, la->vertex), vertexNumber(vb, lb->vertex));
        EXPECT_EQ(la, nullptr);
        EXPECT_EQ(lb, nullptr);
    }
    EXPECT_EQ(ca, nullptr);
    EXPECT_EQ(cb, nullptr);
    std::vector<const Triangle*> ta, tb;
    for (const Triangle* t = a.m_pTriangles; t; t = t->next) ta.push_back(t);
    for (const Triangle* t = b.m_pTriangles; t; t = t->next) tb.push_back(t);
    ASSERT_EQ(ta.size(), tb.size());
    for (size_t i = 0; i < ta.size(); ++i) {
        EXPECT_EQ(ta[i]->mark, tb[i]->mark);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(vertexNumber(va, ta[i]->corner[k]), vertexNumber(vb, tb[i]->corner[k]));
            EXPECT_EQ(std::find(ta.begin(), ta.end(), ta[i]->neighbour[k]) - ta.begin(),
                      std::find(tb.begin(), tb.end(), tb[i]->neighbour[k]) - tb.begin());
        }
    }
    EXPECT_EQ(a.m_nModelState, b.m_nModelState);
}

TEST_F(Model, SnapshotRestoreGivesBackEqualModel) {
    BuiltMesh mesh = MakeIcosphere(f, 30.0, 2);
    AddCurve(f, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13], mesh.vertices[1]},
             kOpenCurve);
    AddCurve(f, {mesh.vertices[5], mesh.vertices[6], mesh.vertices[7]}, kClosedCurve, kSharpVertex);
    f.m_nModelState = 1;
    int n = 0;
    for (Vertex* v = f.m_pVertices; v; v = v->next, ++n) {
        v->index = n;
        v->work = {n * 0.5, -n * 1.0, 3.0};
        v->curvature = n * 0.25;
    }
    mesh.triangles[4]->mark = 1;

    HeadlessHost otherHost;
    CMainFrame reference(&otherHost);
    ModelSnapshot original(f);
    original.Restore(reference);
    ExpectSameModel(f, reference);

    ModelSnapshot snapshot(f);
    // Wreck the model the way a failing operation might: move, unlink, add, and leave
    // a chain closed into a ring.
    f.m_pVertices->position = {9, 9, 9};
    auto* extra = new Vertex;
    extra->next = f.m_pVertices;
    f.m_pVertices = extra;
    Triangle* t0 = f.m_pTriangles;
    Triangle* t1 = t0->next;
    t0->next = t1->next;
    t1->next = t0;
    f.m_pTriangles = t1;
    f.m_pCurves->last->next = f.m_pCurves->first;
    f.m_nModelState = 2;
    snapshot.Restore(f);
    EXPECT_EQ(ValidateModel(f), "");
    ExpectSameModel(f, reference);

    // The snapshot stays usable: a second restore gives the same model again.
    f.m_pVertices->position.x = 77;
    snapshot.Restore(f);
    ExpectSameModel(f, reference);
}

TEST_F(Model, SnapshotOfEmptyModel) {
    ModelSnapshot empty(f);
    MakeIcosphere(f, 10.0, 1);
    empty.Restore(f);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pTriangles, nullptr);
    EXPECT_EQ(f.m_nModelState, 0);
}

}  // namespace
