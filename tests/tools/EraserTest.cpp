#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

using Chain = std::vector<Vertex*>;

Chain ChainOf(const Curve* curve) {
    Chain chain;
    for (const CurveLink* l = curve->first; l != nullptr; l = l->next) chain.push_back(l->vertex);
    return chain;
}

std::vector<Chain> AllChains(const CMainFrame& f) {
    std::vector<Chain> chains;
    for (const Curve* c = f.m_pCurves; c != nullptr; c = c->next) chains.push_back(ChainOf(c));
    return chains;
}

// Everything an erase must leave alone: the vertex list in order with positions,
// and every triangle's corners and neighbours.
struct MeshPrint {
    std::vector<const Vertex*> vertices;
    std::vector<double> coordinates;
    std::vector<const void*> triangles;
    int modelState = 0;

    explicit MeshPrint(const CMainFrame& f) : modelState(f.m_nModelState) {
        for (const Vertex* v = f.m_pVertices; v != nullptr; v = v->next) {
            vertices.push_back(v);
            coordinates.insert(coordinates.end(), {v->position.x, v->position.y, v->position.z});
        }
        for (const Triangle* t = f.m_pTriangles; t != nullptr; t = t->next) {
            triangles.push_back(t);
            for (int k = 0; k < 3; ++k) {
                triangles.push_back(t->corner[k]);
                triangles.push_back(t->neighbour[k]);
            }
        }
    }
    bool operator==(const MeshPrint&) const = default;
};

class EraserTest : public FrameTest {
protected:
    void SetUp() override {
        host.repaints = 0;  // count only what the tools ask for
        mesh = MakeIcosphere(f, 100.0, 2);
    }

    // Vertices numbered from `from`, for curves that must not share vertices.
    Chain Vertices(int count, int from = 0) {
        return Chain(mesh.vertices.begin() + from, mesh.vertices.begin() + from + count);
    }

    // Erasing first vertices until nothing is left also exercises the shrinking of
    // every curve down to its deletion.
    void ClearCurves() {
        while (f.m_pCurves != nullptr) f.CutCurvesAtVertex(f.m_pCurves->first->vertex);
    }

    BuiltMesh mesh;
};

TEST_F(EraserTest, ClosedCurveOpensAfterTheErasedVertex) {
    for (int n : {3, 5}) {
        for (int erased = 0; erased < n; ++erased) {
            SCOPED_TRACE(testing::Message() << "n " << n << ", erased " << erased);
            Chain v = Vertices(n, 10 * n);
            Curve* curve = AddCurve(f, v, kClosedCurve);
            f.CutCurvesAtVertex(v[erased]);

            // One open curve, the same record, from the vertex after V round the
            // old join to the vertex before V.
            Chain expected;
            for (int k = 1; k < n; ++k) expected.push_back(v[(erased + k) % n]);
            ASSERT_EQ(f.m_pCurves, curve);
            EXPECT_EQ(curve->kind, kOpenCurve);
            EXPECT_EQ(ChainOf(curve), expected);
            EXPECT_EQ(curve->last->vertex, expected.back());
            EXPECT_EQ(curve->next, nullptr);
            EXPECT_EQ(v[erased]->kind, kSurfaceVertex);
            for (Vertex* kept : expected) EXPECT_EQ(kept->kind, kSmoothVertex);
            EXPECT_EQ(ValidateModel(f), "");

            ClearCurves();
        }
    }
}

TEST_F(EraserTest, OpenCurveOutcomes) {
    struct Case {
        const char* name;
        int erased;
        std::vector<std::vector<int>> curves;  // vertex numbers, in list order
        std::vector<int> freed;
    };
    const std::vector<Case> cases = {
        {"first: starts at the second vertex", 0, {{1, 2, 3, 4}}, {0}},
        {"last: ends at the vertex before", 4, {{0, 1, 2, 3}}, {4}},
        {"next to last: the last leaves too", 3, {{0, 1, 2}}, {3, 4}},
        {"second: the lone first vertex leaves", 1, {{2, 3, 4}}, {0, 1}},
        {"middle: split, the second piece at the head", 2, {{3, 4}, {0, 1}}, {2}},
    };
    int from = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chain v = Vertices(5, from);
        from += 5;
        Curve* curve = AddCurve(f, v, kOpenCurve);
        f.CutCurvesAtVertex(v[c.erased]);

        std::vector<Chain> expected;
        for (const auto& numbers : c.curves) {
            Chain chain;
            for (int i : numbers) chain.push_back(v[i]);
            expected.push_back(chain);
        }
        EXPECT_EQ(AllChains(f), expected);
        for (Curve* left = f.m_pCurves; left != nullptr; left = left->next)
            EXPECT_EQ(left->kind, kOpenCurve);
        // The piece before V stays in the old record; a new record holds the rest.
        if (c.erased == 2) {
            EXPECT_EQ(f.m_pCurves->next, curve);
        } else if (c.erased != 1) {
            EXPECT_EQ(f.m_pCurves, curve);
        }
        for (int i = 0; i < 5; ++i) {
            bool freed = std::find(c.freed.begin(), c.freed.end(), i) != c.freed.end();
            EXPECT_EQ(v[i]->kind, freed ? kSurfaceVertex : kSmoothVertex) << "vertex " << i;
        }
        EXPECT_EQ(ValidateModel(f), "");

        ClearCurves();
    }
}

TEST_F(EraserTest, TwoVertexCurveIsDeleted) {
    for (int erased : {0, 1}) {
        Chain v = Vertices(2, 2 * erased);
        AddCurve(f, v, kOpenCurve);
        f.CutCurvesAtVertex(v[erased]);
        // One vertex would be left: the piece goes and both vertices are free.
        EXPECT_EQ(f.m_pCurves, nullptr);
        EXPECT_EQ(v[0]->kind, kSurfaceVertex);
        EXPECT_EQ(v[1]->kind, kSurfaceVertex);
        EXPECT_EQ(ValidateModel(f), "");
    }
}

TEST_F(EraserTest, SecondOfThreeDeletesTheCurve) {
    Chain v = Vertices(3);
    AddCurve(f, v, kOpenCurve, kSharpVertex);
    f.CutCurvesAtVertex(v[1]);
    // Both sides of V are single vertices.
    EXPECT_EQ(f.m_pCurves, nullptr);
    for (Vertex* w : v) EXPECT_EQ(w->kind, kSurfaceVertex);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(EraserTest, VertexMarkedForRemovalStaysMarked) {
    // The cut that marked them still has to find them by their mark.
    Chain v = Vertices(2);
    AddCurve(f, v, kOpenCurve);
    v[0]->kind = kRemovedVertex;
    v[1]->kind = kRemovedVertex;
    f.CutCurvesAtVertex(v[0]);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(v[0]->kind, kRemovedVertex);
    EXPECT_EQ(v[1]->kind, kRemovedVertex);

    Chain w = Vertices(4, 5);
    AddCurve(f, w, kClosedCurve);
    w[2]->kind = kRemovedVertex;
    f.CutCurvesAtVertex(w[2]);
    EXPECT_EQ(w[2]->kind, kRemovedVertex);
    EXPECT_EQ(ChainOf(f.m_pCurves), (Chain{w[3], w[0], w[1]}));
}

TEST_F(EraserTest, OnlyTheFirstCurveHoldingTheVertexIsCut) {
    Chain older = Vertices(4);
    Chain newer = {mesh.vertices[10], older[1], mesh.vertices[11], mesh.vertices[12]};
    Curve* olderCurve = AddCurve(f, older, kOpenCurve);
    Curve* newerCurve = AddCurve(f, newer, kOpenCurve);
    f.CutCurvesAtVertex(older[1]);
    // The newer curve is found first and split; the older keeps the vertex although
    // it is now a surface vertex.
    EXPECT_EQ(AllChains(f), (std::vector<Chain>{{newer[2], newer[3]}, older}));
    EXPECT_EQ(f.m_pCurves->next, olderCurve);
    EXPECT_NE(f.m_pCurves, newerCurve);
    EXPECT_EQ(older[1]->kind, kSurfaceVertex);
}

TEST_F(EraserTest, CurveListStaysLinkedWhereverTheCutCurveLies) {
    // The cut curve is unlinked through the pointer that leads to it, which moves
    // when a split pushes a new curve in front of a cut head.
    const Chain y = Vertices(3, 0);
    const Chain x = Vertices(5, 3);
    const Chain z = Vertices(2, 8);
    const Chain x2 = Vertices(5, 20);
    const Chain w = Vertices(2, 30);
    struct Case {
        const char* where;
        std::vector<Chain> curves;  // pushed in this order, so the last is the head
        Vertex* erased;
        std::vector<Chain> left;  // head first
    };
    for (const Case& k : {
             Case{"the cut curve is the head", {y, x}, x[1], {{x[2], x[3], x[4]}, y}},
             Case{"the cut curve lies between two", {y, x2, z}, x2[1], {{x2[2], x2[3], x2[4]}, z, y}},
             Case{"an inner curve deleted outright", {y, w, z}, w[1], {z, y}},
         }) {
        SCOPED_TRACE(k.where);
        ClearCurves();
        for (const Chain& c : k.curves) AddCurve(f, c, kOpenCurve);
        f.CutCurvesAtVertex(k.erased);
        EXPECT_EQ(AllChains(f), k.left);
        EXPECT_EQ(ValidateModel(f), "");
    }
}

TEST_F(EraserTest, MeshAndVertexListAreUntouched) {
    AddCurve(f, Vertices(6), kClosedCurve);
    AddCurve(f, Vertices(5, 6), kOpenCurve);
    const MeshPrint before(f);
    for (int i : {2, 8, 0, 10, 7}) {
        f.CutCurvesAtVertex(mesh.vertices[i]);
        EXPECT_TRUE(MeshPrint(f) == before) << "after erasing vertex " << i;
        EXPECT_EQ(ValidateModel(f), "");
    }
}

TEST_F(EraserTest, VertexOnNoCurveChangesNothing) {
    Chain v = Vertices(4);
    AddCurve(f, v, kClosedCurve);
    f.CutCurvesAtVertex(mesh.vertices[20]);
    EXPECT_EQ(AllChains(f), (std::vector<Chain>{v}));
    EXPECT_EQ(f.m_pCurves->kind, kClosedCurve);
    EXPECT_EQ(mesh.vertices[20]->kind, kSurfaceVertex);
}

TEST_F(EraserTest, ClosedCurveOfTwoVerticesIsDeleted) {
    // Opening it would leave a curve of one vertex, which the rest of the program
    // cannot hold.
    Chain v = Vertices(2);
    AddCurve(f, v, kClosedCurve);
    f.CutCurvesAtVertex(v[1]);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(v[0]->kind, kSurfaceVertex);
    EXPECT_EQ(v[1]->kind, kSurfaceVertex);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(EraserTest, CurveOfOneLinkIsDeleted) {
    // A single link has no successor to become the first; the curve must not be
    // left with a dangling last link.
    Chain keep = Vertices(3, 5);
    AddCurve(f, keep, kOpenCurve);
    AddCurve(f, Vertices(1), kOpenCurve);
    f.CutCurvesAtVertex(mesh.vertices[0]);
    EXPECT_EQ(AllChains(f), (std::vector<Chain>{keep}));
    EXPECT_EQ(mesh.vertices[0]->kind, kSurfaceVertex);
}

// The eraser picks by screen position: identity view, mouse on a vertex's x and y.
TEST_F(EraserTest, EraseAtCutsTheVertexUnderTheMouseAndRepaints) {
    Chain front;
    for (Vertex* v : mesh.vertices)
        if (v->position.z > 60.0 && front.size() < 4) front.push_back(v);
    ASSERT_EQ(front.size(), 4u);
    AddCurve(f, front, kOpenCurve);

    f.m_ptMouse = {front[3]->position.x + 3.0, front[3]->position.y - 2.0};
    const int repaints = host.repaints;
    f.EraseAt();
    EXPECT_EQ(ChainOf(f.m_pCurves), (Chain{front[0], front[1], front[2]}));
    EXPECT_EQ(front[3]->kind, kSurfaceVertex);
    EXPECT_EQ(host.repaints, repaints + 1);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(EraserTest, EraseAtOverNothingChangesNothing) {
    // A curve on the far side: its vertices lie under the mouse on screen but face
    // away from the viewer, so nothing is picked there.
    Chain back;
    for (Vertex* v : mesh.vertices)
        if (v->position.z < -60.0 && back.size() < 3) back.push_back(v);
    ASSERT_EQ(back.size(), 3u);
    AddCurve(f, back, kOpenCurve);
    const std::vector<Chain> before = AllChains(f);
    const int repaints = host.repaints;

    for (DPoint mouse : {DPoint{back[1]->position.x, back[1]->position.y}, DPoint{500.0, 500.0}}) {
        f.m_ptMouse = mouse;
        f.EraseAt();
    }
    EXPECT_EQ(AllChains(f), before);
    for (Vertex* v : back) EXPECT_EQ(v->kind, kSmoothVertex);
    EXPECT_EQ(host.repaints, repaints);
}

}  // namespace
