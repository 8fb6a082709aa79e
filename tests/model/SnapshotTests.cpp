// The address tables behind the snapshot and the checker, and the snapshot's flat
// copy in the cases a plain restore of a sound model does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "model/PointerMap.h"
#include "model/Snapshot.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

TEST(PointerTables, KeepEveryKeyThroughGrowth) {
    // Far more entries than the first table holds, so it grows many times; records
    // side by side in one array are the closest addresses the tables can meet.
    std::vector<Triangle> records(50000);
    PointerSet set;
    PointerMap map;
    for (size_t i = 0; i < records.size(); i += 2) {
        EXPECT_TRUE(set.Insert(&records[i]));
        EXPECT_TRUE(map.Insert(&records[i], static_cast<int32_t>(i)));
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const bool inserted = i % 2 == 0;
        ASSERT_EQ(set.Contains(&records[i]), inserted) << i;
        ASSERT_EQ(map.Find(&records[i]), inserted ? static_cast<int32_t>(i) : -1) << i;
    }
    // A second insert changes nothing: the first value stays.
    EXPECT_FALSE(set.Insert(&records[0]));
    EXPECT_FALSE(map.Insert(&records[0], 7));
    EXPECT_EQ(map.Find(&records[0]), 0);
    // Null marks an empty slot; storing it would make every empty slot a match.
    EXPECT_FALSE(set.Insert(nullptr));
    EXPECT_FALSE(set.Contains(nullptr));
    EXPECT_FALSE(map.Insert(nullptr, 1));
    EXPECT_EQ(map.Find(nullptr), -1);
}

TEST(PointerTables, ListLengthStopsOnLoops) {
    std::vector<Vertex> v(5);
    for (size_t i = 0; i + 1 < v.size(); ++i) v[i].next = &v[i + 1];
    EXPECT_EQ(pointer_table::ListLength(&v[0]), 5u);
    EXPECT_EQ(pointer_table::ListLength(&v[4]), 1u);
    EXPECT_EQ(pointer_table::ListLength<Vertex>(nullptr), 0u);
    // Loops back to the head, to an inner record, and onto itself: 0, not forever.
    for (size_t target : {0u, 2u, 4u}) {
        v[4].next = &v[target];
        EXPECT_EQ(pointer_table::ListLength(&v[0]), 0u) << target;
    }
}

struct Snapshots : FrameTest {};

// Pointers to records outside the lists have no place in the copy and come back
// null; everything else keeps its place.
TEST_F(Snapshots, PointersOutsideTheListsComeBackNull) {
    BuiltMesh mesh = MakeIcosphere(f, 20.0, 1);
    Curve* curve = AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kOpenCurve);
    auto strayVertex = std::make_unique<Vertex>();
    auto strayTriangle = std::make_unique<Triangle>();
    curve->first->next->vertex = strayVertex.get();
    mesh.triangles[3]->corner[1] = strayVertex.get();
    mesh.triangles[5]->neighbour[2] = strayTriangle.get();
    std::vector<Vertex*> before;
    for (Vertex* v = f.m_pVertices; v; v = v->next) before.push_back(v);
    const size_t place0 =
        std::find(before.begin(), before.end(), mesh.vertices[0]) - before.begin();
    ASSERT_LT(place0, before.size());

    ModelSnapshot snapshot(f);
    snapshot.Restore(f);
    std::vector<Vertex*> vertices;
    for (Vertex* v = f.m_pVertices; v; v = v->next) vertices.push_back(v);
    std::vector<Triangle*> triangles;
    for (Triangle* t = f.m_pTriangles; t; t = t->next) triangles.push_back(t);
    ASSERT_EQ(vertices.size(), before.size());
    ASSERT_EQ(triangles.size(), mesh.triangles.size());
    // BuildMesh pushes faces newest first: face i sits at place size - 1 - i.
    const size_t n = triangles.size();
    EXPECT_EQ(triangles[n - 1 - 3]->corner[1], nullptr);
    EXPECT_NE(triangles[n - 1 - 3]->corner[0], nullptr);
    EXPECT_EQ(triangles[n - 1 - 5]->neighbour[2], nullptr);
    EXPECT_NE(triangles[n - 1 - 5]->neighbour[0], nullptr);
    ASSERT_NE(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pCurves->first->vertex, vertices[place0]);
    EXPECT_EQ(f.m_pCurves->first->next->vertex, nullptr);
}

// A chain that runs into a loop which does not pass its last link (a malformed
// model) is copied up to the first repeated link, and that copy ends there.
TEST_F(Snapshots, ChainLoopingPastItsLastLinkIsCutAtTheRepeat) {
    BuiltMesh mesh = MakeIcosphere(f, 20.0, 1);
    Curve* curve = AddCurve(f, {mesh.vertices[4], mesh.vertices[5], mesh.vertices[6]}, kOpenCurve);
    CurveLink* second = curve->first->next;
    CurveLink* third = second->next;
    auto stray = std::make_unique<CurveLink>();
    third->next = second;
    curve->last = stray.get();
    const Vec3 end6 = mesh.vertices[6]->position;

    ModelSnapshot snapshot(f);
    snapshot.Restore(f);
    const Curve* copy = f.m_pCurves;
    ASSERT_NE(copy, nullptr);
    int links = 0;
    const CurveLink* end = nullptr;
    for (const CurveLink* l = copy->first; l; l = l->next, ++links) end = l;
    EXPECT_EQ(links, 3);
    EXPECT_EQ(copy->last, end);
    ASSERT_NE(copy->last->vertex, nullptr);
    EXPECT_EQ(copy->last->vertex->position.x, end6.x);
    EXPECT_EQ(copy->last->vertex->position.y, end6.y);
    EXPECT_EQ(copy->last->vertex->position.z, end6.z);
    EXPECT_EQ(ValidateModel(f), "");
}

// Whether an action changed the model: every change made to the records in place is
// seen, a scratch field is not, and a model made again of equal records matches.
TEST(SnapshotMatches, SeesEveryChangeMadeInPlace) {
    struct Case {
        const char* what;
        void (*change)(CMainFrame& f, BuiltMesh& mesh, Curve* curve);
        bool matches;
    };
    const Case cases[] = {
        {"nothing", [](CMainFrame&, BuiltMesh&, Curve*) {}, true},
        {"scratch fields",
         [](CMainFrame&, BuiltMesh& mesh, Curve*) {
             mesh.vertices[7]->index = 99;
             mesh.vertices[7]->work = {1, 2, 3};
             mesh.triangles[4]->mark = 5;
         },
         true},
        {"a position",
         [](CMainFrame&, BuiltMesh& mesh, Curve*) { mesh.vertices[40]->position.y += 1e-9; },
         false},
        {"a kind",
         [](CMainFrame&, BuiltMesh& mesh, Curve*) { mesh.vertices[3]->kind = kSharpVertex; },
         false},
        {"the model state",
         [](CMainFrame& f, BuiltMesh&, Curve*) { f.m_nModelState = kModelCurveWaiting; }, false},
        {"a corner",
         [](CMainFrame&, BuiltMesh& mesh, Curve*) {
             mesh.triangles[9]->corner[2] = mesh.vertices[0];
         },
         false},
        {"a neighbour",
         [](CMainFrame&, BuiltMesh& mesh, Curve*) {
             mesh.triangles[9]->neighbour[1] = mesh.triangles[0];
         },
         false},
        {"a curve's kind", [](CMainFrame&, BuiltMesh&, Curve* c) { c->kind = kClosedCurve; },
         false},
        {"a link's vertex",
         [](CMainFrame&, BuiltMesh& mesh, Curve* c) { c->first->next->vertex = mesh.vertices[30]; },
         false},
        {"a link dropped",
         [](CMainFrame&, BuiltMesh&, Curve* c) {
             c->first->next = c->last;  // the dropped link stays the fixture's to free
         },
         false},
        {"the vertex order",
         [](CMainFrame& f, BuiltMesh&, Curve*) {
             Vertex* first = f.m_pVertices;
             f.m_pVertices = first->next;
             first->next = f.m_pVertices->next;
             f.m_pVertices->next = first;
         },
         false},
    };
    auto body = [](TestFrame& t, BuiltMesh& mesh) {
        mesh = MakeIcosphere(t.frame, 20.0, 2);
        return AddCurve(t.frame, {mesh.vertices[1], mesh.vertices[2], mesh.vertices[3]},
                        kOpenCurve);
    };
    for (const Case& c : cases) {
        TestFrame t;
        BuiltMesh mesh;
        Curve* curve = body(t, mesh);
        CurveLink* middle = curve->first->next;
        const ModelSnapshot before(t.frame);
        c.change(t.frame, mesh, curve);
        EXPECT_EQ(before.Matches(t.frame), c.matches) << c.what;
        curve->first->next = middle;  // so that the frame frees every link
    }
    // Fresh records equal to the old ones (as a refused edit leaves them): only their
    // places can tell, and they are the same.
    TestFrame t;
    BuiltMesh mesh;
    body(t, mesh);
    const ModelSnapshot before(t.frame);
    ModelSnapshot(t.frame).Restore(t.frame);
    EXPECT_TRUE(before.Matches(t.frame));
    t.frame.m_pVertices->next->position.z += 1e-9;
    EXPECT_FALSE(before.Matches(t.frame));
}

}  // namespace
