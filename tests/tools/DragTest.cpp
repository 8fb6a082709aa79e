#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/HeadlessHost.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

// A closed flat cushion: a square grid in the plane z = 0 facing +z, whose border
// is shared with a second grid `depth` behind it facing -z. The front grid gives
// vertices at known distances from its centre for measuring the falloff.
struct Cushion {
    BuiltMesh mesh;
    int cells = 0;
    double step = 0.0;
    Vertex* At(double x, double y) const {
        int i = static_cast<int>(std::lround(x / step)) + cells / 2;
        int j = static_cast<int>(std::lround(y / step)) + cells / 2;
        return mesh.vertices[static_cast<size_t>(j * (cells + 1) + i)];
    }
};

Cushion MakeCushion(CMainFrame& f, int cells, double step, double depth) {
    std::vector<Vec3> positions;
    auto frontIndex = [cells](int i, int j) { return j * (cells + 1) + i; };
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            positions.push_back({(i - cells / 2) * step, (j - cells / 2) * step, 0.0});
    std::vector<int> backIndex(positions.size());
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i) {
            bool border = i == 0 || j == 0 || i == cells || j == cells;
            if (border) {
                backIndex[frontIndex(i, j)] = frontIndex(i, j);
            } else {
                backIndex[frontIndex(i, j)] = static_cast<int>(positions.size());
                positions.push_back({(i - cells / 2) * step, (j - cells / 2) * step, -depth});
            }
        }
    }
    std::vector<std::array<int, 3>> faces;
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            int a = frontIndex(i, j), b = frontIndex(i + 1, j);
            int c = frontIndex(i + 1, j + 1), d = frontIndex(i, j + 1);
            faces.push_back({a, b, c});
            faces.push_back({a, c, d});
            faces.push_back({backIndex[a], backIndex[c], backIndex[b]});
            faces.push_back({backIndex[a], backIndex[d], backIndex[c]});
        }
    }
    Cushion cushion;
    cushion.mesh = BuildMesh(f, positions, faces);
    cushion.cells = cells;
    cushion.step = step;
    f.m_nModelState = 2;
    return cushion;
}

// A closed torus of `around` by `across` quads, two triangles each, with the
// adjacency worked out from the grid (fast enough for very large meshes). Vertex
// (i, j) is number i * across + j; vertex 0 lies on the +x axis, outermost.
std::vector<Vertex*> MakeTorus(CMainFrame& f, int around, int across, double major, double minor) {
    const double pi = std::acos(-1.0);
    std::vector<Vertex*> vertices;
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            const double u = 2 * pi * i / around;
            const double w = 2 * pi * j / across;
            auto* v = new Vertex;
            v->normal = {std::cos(w) * std::cos(u), std::sin(w), -std::cos(w) * std::sin(u)};
            v->position = {(major + minor * std::cos(w)) * std::cos(u), minor * std::sin(w),
                           -(major + minor * std::cos(w)) * std::sin(u)};
            v->next = f.m_pVertices;
            f.m_pVertices = v;
            vertices.push_back(v);
        }
    }
    auto vertexAt = [&](int i, int j) {
        return vertices[static_cast<size_t>(((i + around) % around) * across +
                                            (j + across) % across)];
    };
    // Quad (i, j) holds lower (a, b, c) and upper (a, c, d), a = (i, j), b = (i + 1, j),
    // c = (i + 1, j + 1), d = (i, j + 1).
    std::vector<Triangle*> lower, upper;
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            auto* t0 = new Triangle;
            auto* t1 = new Triangle;
            t0->corner[0] = t1->corner[0] = vertexAt(i, j);
            t0->corner[1] = vertexAt(i + 1, j);
            t0->corner[2] = t1->corner[1] = vertexAt(i + 1, j + 1);
            t1->corner[2] = vertexAt(i, j + 1);
            for (Triangle* t : {t0, t1}) {
                t->next = f.m_pTriangles;
                f.m_pTriangles = t;
            }
            lower.push_back(t0);
            upper.push_back(t1);
        }
    }
    auto quad = [&](int i, int j) {
        return static_cast<size_t>(((i + around) % around) * across + (j + across) % across);
    };
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            Triangle* t0 = lower[quad(i, j)];
            Triangle* t1 = upper[quad(i, j)];
            t0->neighbour[0] = upper[quad(i, j - 1)];
            t0->neighbour[1] = upper[quad(i + 1, j)];
            t0->neighbour[2] = t1;
            t1->neighbour[0] = t0;
            t1->neighbour[1] = lower[quad(i, j + 1)];
            t1->neighbour[2] = lower[quad(i - 1, j)];
        }
    }
    f.m_nModelState = 2;
    return vertices;
}

Vec3 Moved(const Vertex* v) { return v->position - v->work; }

class DragTest : public FrameTest {
protected:
    void SetUp() override {
        host.repaints = 0;  // count only what the tools ask for
    }

    // A flat cushion 160 units wide with an open curve along the y axis through
    // its centre; the drag grabs the centre vertex.
    void MakeFlatModel(int cells = 64, double step = 2.5) {
        cushion = MakeCushion(f, cells, step, 20.0);
        anchor = cushion.At(0, 0);
        AddCurve(f, {cushion.At(0, -10), anchor, cushion.At(0, 10)}, kOpenCurve);
        for (Vertex* v : cushion.mesh.vertices) start.push_back(v->position);
    }

    // What the mouse handler does before the tool's button-down.
    void Press(double x, double y) {
        f.m_nDragState = 2;
        f.m_ptMouse = {x, y};
        f.BeginDrag();
    }
    void MoveTo(double x, double y) {
        f.m_ptMouse = {x, y};
        f.DragTo();
    }

    bool NothingMoved() const {
        for (size_t i = 0; i < start.size(); ++i) {
            const Vec3& p = cushion.mesh.vertices[i]->position;
            if (p.x != start[i].x || p.y != start[i].y || p.z != start[i].z) return false;
        }
        return true;
    }

    // After a press that started no drag: no drag state, `beeps` beeps (a refusal beeps
    // once, a press on nothing not at all), no repaint and the cushion where it was.
    void ExpectNoDrag(int beeps) {
        EXPECT_EQ(f.m_nDragState, 0);
        EXPECT_EQ(host.beeps, beeps);
        EXPECT_EQ(host.repaints, 0);
        EXPECT_TRUE(NothingMoved());
    }

    Cushion cushion;
    Vertex* anchor = nullptr;
    std::vector<Vec3> start;
};

TEST_F(DragTest, PressBesideVertexPullsItUnderTheMouse) {
    MakeFlatModel();
    Press(6.0, 0.0);
    EXPECT_EQ(f.m_nDragState, 2);
    EXPECT_DOUBLE_EQ(f.m_dDragRadiusSq, 36.0);
    EXPECT_NEAR(anchor->position.x, 6.0, 1e-9);
    EXPECT_NEAR(anchor->position.y, 0.0, 1e-12);
    EXPECT_EQ(host.repaints, 1);

    // Connected vertices closer than sqrt(2 * 36), about 8.49, follow.
    int movedCount = 0;
    for (size_t i = 0; i < start.size(); ++i) {
        const Vertex* v = cushion.mesh.vertices[i];
        double r2 = LengthSq(start[i]);
        if (r2 < 72.0) {
            ++movedCount;
            EXPECT_GT(v->position.x, start[i].x) << "vertex at distance " << std::sqrt(r2);
        } else {
            EXPECT_EQ(v->position.x, start[i].x) << "vertex at distance " << std::sqrt(r2);
        }
        EXPECT_EQ(v->position.y, start[i].y);
        EXPECT_EQ(v->position.z, start[i].z);
    }
    // The centre, 4 at 2.5, 4 at 3.54, 4 at 5, 8 at 5.59, 4 at 7.07, 4 at 7.5 and
    // 8 at 7.91.
    EXPECT_EQ(movedCount, 37);
    // At distance 5: 1.018657 * e^(-2 * 25 / 36) - 0.018657 of the 6 units.
    EXPECT_NEAR(Moved(cushion.At(5.0, 0.0)).x / 6.0, 0.235347, 1e-6);
    EXPECT_NEAR(Moved(cushion.At(0.0, -5.0)).x / 6.0, 0.235347, 1e-6);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, PressExactlyOnVertexMovesNothing) {
    MakeFlatModel();
    Press(0.0, 0.0);
    // R = 0: no vertex is strictly inside, and no weight is computed.
    EXPECT_EQ(f.m_dDragRadiusSq, 0.0);
    EXPECT_TRUE(NothingMoved());
    for (Vertex* v : cushion.mesh.vertices) EXPECT_NE(v->index, 1);
    EXPECT_EQ(f.m_nDragState, 2);
}

TEST_F(DragTest, FalloffAfterADragOfFifty) {
    MakeFlatModel();
    Press(0.0, 0.0);
    MoveTo(50.0, 0.0);
    EXPECT_DOUBLE_EQ(f.m_dDragRadiusSq, 2500.0);
    EXPECT_NEAR(anchor->position.x, 50.0, 1e-9);

    struct Probe {
        double x, y, weight, tolerance;
    };
    const Probe probes[] = {
        {25.0, 0.0, 0.599, 0.0005}, {0.0, 25.0, 0.599, 0.0005},  {-15.0, 20.0, 0.599, 0.0005},
        {50.0, 0.0, 0.119, 0.0005}, {0.0, -50.0, 0.119, 0.0005}, {70.0, 0.0, 0.002, 0.0005},
    };
    for (const Probe& p : probes) {
        Vertex* v = cushion.At(p.x, p.y);
        EXPECT_NEAR(Moved(v).x / 50.0, p.weight, p.tolerance) << p.x << ", " << p.y;
        EXPECT_EQ(Moved(v).y, 0.0);
        EXPECT_EQ(Moved(v).z, 0.0);
    }
    // sqrt(5000) = 70.71 is the edge of the region, excluded; beyond it nothing moves.
    for (auto [x, y] : {std::pair{50.0, 50.0}, {-50.0, 50.0}, {72.5, 0.0}, {0.0, -80.0}}) {
        Vertex* v = cushion.At(x, y);
        EXPECT_EQ(v->position.x, v->work.x) << x << ", " << y;
    }
    // The back of the cushion lies beyond the border, which is outside the region.
    for (size_t i = static_cast<size_t>(65 * 65); i < start.size(); ++i)
        ASSERT_EQ(cushion.mesh.vertices[i]->position.x, start[i].x);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, MovingBackKeepsTheLargestRadius) {
    MakeFlatModel();
    Press(0.0, 0.0);
    MoveTo(50.0, 0.0);
    MoveTo(10.0, 0.0);
    EXPECT_DOUBLE_EQ(f.m_dDragRadiusSq, 2500.0);
    EXPECT_NEAR(anchor->position.x, 10.0, 1e-9);
    // Weights of the 50-unit falloff applied to the 10-unit displacement: a radius
    // shrunk to 10 would leave the vertex at 60 in place.
    EXPECT_NEAR(Moved(cushion.At(25.0, 0.0)).x, 5.99190, 1e-4);
    EXPECT_NEAR(Moved(cushion.At(60.0, 0.0)).x, 0.385251, 1e-5);
    // Every step starts from the press: coming back to the start restores it.
    MoveTo(0.0, 0.0);
    EXPECT_TRUE(NothingMoved());
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, RegionIsConnectedOverTheMesh) {
    MakeFlatModel();
    // A separate ball inside the radius but not joined to the cushion stays put.
    BuiltMesh ball = MakeIcosphere(f, 5.0, 1, {20.0, 20.0, 10.0});
    std::vector<Vec3> ballStart;
    for (Vertex* v : ball.vertices) ballStart.push_back(v->position);
    Press(0.0, 0.0);
    MoveTo(50.0, 0.0);
    for (size_t i = 0; i < ball.vertices.size(); ++i) {
        EXPECT_EQ(ball.vertices[i]->position.x, ballStart[i].x);
        EXPECT_EQ(ball.vertices[i]->index, 0);  // never reached
    }
    EXPECT_GT(Moved(cushion.At(20.0, 20.0)).x, 10.0);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, DirectionFollowsTheView) {
    struct Case {
        int azimuth, elevation;
        double dx, dy;
        Vec3 expected;
    };
    const Case cases[] = {
        {0, 0, 20.0, 0.0, {20.0, 0.0, 0.0}},
        {90, 0, 20.0, 0.0, {0.0, 0.0, 20.0}},
        {0, 0, 0.0, 15.0, {0.0, 15.0, 0.0}},
        {90, 0, 0.0, 15.0, {0.0, 15.0, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "azimuth " << c.azimuth << ", dx " << c.dx);
        HeadlessHost caseHost;
        CMainFrame g(&caseHost);
        g.OnCreate();
        g.OnSize(600, 600);
        BuiltMesh ball = MakeIcosphere(g, 100.0, 2);
        g.m_nAzimuth = c.azimuth;
        g.m_nElevation = c.elevation;
        g.ComputeViewMatrix();
        const double* t = g.m_ViewMatrix;
        // The vertex nearest the viewer, and its place on screen.
        Vertex* front = ball.vertices[0];
        auto depth = [t](const Vertex* v) {
            return -t[6] * v->position.x + t[0] * v->position.y + t[7] * v->position.z;
        };
        for (Vertex* v : ball.vertices)
            if (depth(v) > depth(front)) front = v;
        AddCurve(g, {front, ball.vertices[0] == front ? ball.vertices[1] : ball.vertices[0]},
                 kOpenCurve);
        const double sx = t[3] * front->position.x + t[2] * front->position.z;
        const double sy =
            t[4] * front->position.x + t[1] * front->position.y - t[5] * front->position.z;
        const Vec3 before = front->position;

        g.m_nDragState = 2;
        g.m_ptMouse = {sx, sy};
        g.BeginDrag();
        g.m_ptMouse = {sx + c.dx, sy + c.dy};
        g.DragTo();
        const Vec3 moved = front->position - before;
        EXPECT_NEAR(moved.x, c.expected.x, 1e-6);
        EXPECT_NEAR(moved.y, c.expected.y, 1e-6);
        EXPECT_NEAR(moved.z, c.expected.z, 1e-6);
        EXPECT_EQ(ValidateModel(g), "");
    }
}

TEST_F(DragTest, RegionGrowthCoversALargeModel) {
    // 262144 triangles all inside the region: grown one call level per triangle,
    // this would run the stack out.
    std::vector<Vertex*> ring = MakeTorus(f, 512, 256, 400.0, 100.0);
    Vertex* top = ring[0];  // outermost on the x axis, facing +x
    f.m_nAzimuth = 270;     // looking from +x
    f.ComputeViewMatrix();
    AddCurve(f, {top, ring[256 * 100]}, kOpenCurve);
    f.m_nDragState = 2;
    f.m_ptMouse = {-top->position.z, top->position.y};
    f.BeginDrag();
    ASSERT_EQ(f.m_nDragState, 2);
    f.m_ptMouse.y += 5000.0;
    f.DragTo();
    int unreached = 0;
    for (Triangle* t = f.m_pTriangles; t != nullptr; t = t->next) unreached += t->mark == 0;
    int unmoved = 0;
    for (Vertex* v : ring) unmoved += v->index != 1 || !(v->position.y > v->work.y);
    EXPECT_EQ(unreached, 0);
    EXPECT_EQ(unmoved, 0);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, PressOnNothingEndsTheStrokeWithoutRepaint) {
    MakeFlatModel(16, 5.0);
    Press(40.0, 40.0);
    ExpectNoDrag(0);
}

TEST_F(DragTest, VertexOnNoTriangleIsRefused) {
    MakeFlatModel(16, 5.0);
    // A curve over two vertices that no triangle holds, nearer the mouse than the
    // cushion's curve.
    std::vector<Vertex*> loose;
    for (double x : {3.0, 30.0}) {
        auto* v = new Vertex;
        v->kind = kSmoothVertex;
        v->position = {x, 0.0, 1.0};
        v->normal = {0.0, 0.0, 1.0};
        v->next = f.m_pVertices;
        f.m_pVertices = v;
        loose.push_back(v);
    }
    AddCurve(f, loose, kOpenCurve);
    const Vec3 anchorBefore = f.m_vDragAnchor;
    Press(4.0, 0.0);
    ExpectNoDrag(1);
    EXPECT_EQ(loose[0]->position.x, 3.0);
    EXPECT_EQ(f.m_vDragAnchor.x, anchorBefore.x);
}

TEST_F(DragTest, MeshWithAnOpenEdgeIsRefused) {
    MakeFlatModel(8, 5.0);
    // Cut one edge's adjacency, as a damaged mesh would have it.
    Triangle* t = cushion.mesh.triangles[10];
    Triangle* across = t->neighbour[1];
    for (int k = 0; k < 3; ++k)
        if (across->neighbour[k] == t) across->neighbour[k] = nullptr;
    t->neighbour[1] = nullptr;
    Press(3.0, 0.0);
    ExpectNoDrag(1);
}

TEST_F(DragTest, DragAfterTheStrokeEndedDoesNothing) {
    MakeFlatModel(8, 5.0);
    Press(3.0, 0.0);
    ASSERT_EQ(f.m_nDragState, 2);
    f.OnFileNew();
    EXPECT_EQ(f.m_nDragState, 0);
    const int repaints = host.repaints;
    // A stray move after the model went must not touch the released records.
    MoveTo(20.0, 0.0);
    EXPECT_EQ(host.repaints, repaints);
    EXPECT_EQ(f.m_pVertices, nullptr);
}

TEST_F(DragTest, StartTriangleNoLongerInTheModelStopsTheDrag) {
    MakeFlatModel(8, 5.0);
    Press(0.0, 0.0);
    ASSERT_EQ(f.m_nDragState, 2);
    // Take the start triangle out of the list (kept alive, so the test itself
    // reads nothing released): the drag must not grow from it.
    Triangle** place = &f.m_pTriangles;
    while (*place != f.m_pDragTriangle) place = &(*place)->next;
    Triangle* removed = *place;
    *place = removed->next;
    const int repaints = host.repaints;
    MoveTo(20.0, 0.0);
    EXPECT_TRUE(NothingMoved());
    EXPECT_EQ(host.repaints, repaints);
    removed->next = *place;
    *place = removed;
    MoveTo(20.0, 0.0);
    EXPECT_NEAR(anchor->position.x, 20.0, 1e-9);
}

// Through the mouse handlers: a tool change in the middle of a drag neither erases
// the dragged vertex nor stops the drag, and the release fairs the model.
TEST_F(DragTest, ToolChangeDuringADragKeepsDragging) {
    MakeFlatModel(16, 5.0);
    f.OnTool(ID_TOOL_DRAG);
    f.OnLButtonDown(0, CPoint{300, 300});
    ASSERT_EQ(f.m_nDragState, 2);
    f.OnTool(ID_TOOL_ERASER);
    f.OnMouseMove(0, CPoint{340, 300});
    EXPECT_NEAR(anchor->position.x, f.m_ptMouse.x, 1e-9);
    EXPECT_GT(anchor->position.x, 15.0);
    EXPECT_EQ(CountLinks(f.m_pCurves), 3);
    std::vector<Vec3> dragged;
    for (Vertex* v : cushion.mesh.vertices) dragged.push_back(v->position);

    f.OnLButtonUp(0, CPoint{340, 300});
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(CountLinks(f.m_pCurves), 3);
    EXPECT_EQ(anchor->kind, kSmoothVertex);
    // The fairing ran: the surface around the pulled vertex has moved on.
    double change = 0.0;
    for (size_t i = 0; i < dragged.size(); ++i)
        change += Length(cushion.mesh.vertices[i]->position - dragged[i]);
    EXPECT_GT(change, 1.0);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(DragTest, ReleaseAfterAnEmptyPressDoesNotFair) {
    MakeFlatModel(16, 5.0);
    f.OnTool(ID_TOOL_DRAG);
    f.OnLButtonDown(0, CPoint{50, 50});
    EXPECT_EQ(f.m_nDragState, 0);
    f.OnLButtonUp(0, CPoint{50, 50});
    EXPECT_EQ(host.repaints, 0);
    EXPECT_TRUE(NothingMoved());
}

}  // namespace
