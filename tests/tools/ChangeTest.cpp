#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

// A ball seen from the front (identity view) with a smooth curve `smooth` and a
// sharp curve `sharp` over vertices that face the viewer and lie far apart on
// screen, so the mouse on a vertex's x and y picks that vertex.
class ChangeTest : public FrameTest {
protected:
    void SetUp() override {
        host.repaints = 0;  // count only what the tools ask for
        BuiltMesh ball = MakeIcosphere(f, 100.0, 2);
        std::vector<Vertex*> front;
        for (Vertex* v : ball.vertices)
            if (v->position.z > 60.0) front.push_back(v);
        ASSERT_GE(front.size(), 5u);
        smooth = {front[0], front[1], front[2]};
        sharp = {front[3], front[4]};
        AddCurve(f, smooth, kOpenCurve, kSmoothVertex);
        AddCurve(f, sharp, kOpenCurve, kSharpVertex);
    }

    void Press(const Vertex* v) { Press(v->position.x, v->position.y); }
    void Press(double x, double y) {
        f.m_nDragState = 2;
        f.m_ptMouse = {x, y};
        f.BeginChange();
    }
    void Pass(const Vertex* v) {
        f.m_ptMouse = {v->position.x, v->position.y};
        f.ChangeAt();
    }

    std::vector<Vertex*> smooth;
    std::vector<Vertex*> sharp;
};

TEST_F(ChangeTest, PressOnSmoothPaintsSharp) {
    Press(smooth[0]);
    EXPECT_EQ(f.m_nChangeKind, kSharpVertex);
    EXPECT_EQ(smooth[0]->kind, kSharpVertex);
    EXPECT_EQ(host.repaints, 1);
    Pass(smooth[1]);
    Pass(sharp[0]);  // already sharp: painted, not toggled back
    EXPECT_EQ(smooth[1]->kind, kSharpVertex);
    EXPECT_EQ(sharp[0]->kind, kSharpVertex);
    EXPECT_EQ(smooth[2]->kind, kSmoothVertex);  // never passed
    EXPECT_EQ(host.repaints, 3);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(ChangeTest, PressOnSharpPaintsSmooth) {
    Press(sharp[1]);
    EXPECT_EQ(f.m_nChangeKind, kSmoothVertex);
    EXPECT_EQ(sharp[1]->kind, kSmoothVertex);
    Pass(smooth[2]);
    Pass(sharp[0]);
    EXPECT_EQ(smooth[2]->kind, kSmoothVertex);
    EXPECT_EQ(sharp[0]->kind, kSmoothVertex);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(ChangeTest, PressOnAFreedCurveVertexPaintsSmooth) {
    // A vertex an erase set free while another curve still holds it.
    smooth[1]->kind = kSurfaceVertex;
    Press(smooth[1]);
    EXPECT_EQ(f.m_nChangeKind, kSmoothVertex);
    EXPECT_EQ(smooth[1]->kind, kSmoothVertex);
    Pass(sharp[0]);
    EXPECT_EQ(sharp[0]->kind, kSmoothVertex);
}

TEST_F(ChangeTest, PressOnNothingChangesNothing) {
    // The stroke before left m_nChangeKind 2; the press on nothing must reset it.
    Press(smooth[0]);
    ASSERT_EQ(f.m_nChangeKind, kSharpVertex);
    const int repaints = host.repaints;

    Press(500.0, 500.0);
    EXPECT_EQ(f.m_nChangeKind, 0);
    Pass(smooth[1]);
    Pass(sharp[0]);
    EXPECT_EQ(smooth[1]->kind, kSmoothVertex);
    EXPECT_EQ(sharp[0]->kind, kSharpVertex);
    EXPECT_EQ(host.repaints, repaints);
}

TEST_F(ChangeTest, PassingBackAndForthDoesNotToggle) {
    Press(smooth[0]);
    for (int i = 0; i < 3; ++i) {
        Pass(smooth[1]);
        Pass(smooth[0]);
    }
    EXPECT_EQ(smooth[0]->kind, kSharpVertex);
    EXPECT_EQ(smooth[1]->kind, kSharpVertex);
}

TEST_F(ChangeTest, MoveOverEmptySpaceChangesNothing) {
    Press(smooth[0]);
    const int repaints = host.repaints;
    f.m_ptMouse = {500.0, 500.0};
    f.ChangeAt();
    EXPECT_EQ(host.repaints, repaints);
    EXPECT_EQ(smooth[1]->kind, kSmoothVertex);
}

// Through the mouse handlers: a tool chosen in the middle of a Change stroke does
// not take over its moves, and the release fairs the model.
TEST_F(ChangeTest, ToolChangeDuringAStrokeKeepsPainting) {
    f.OnTool(ID_TOOL_CHANGE);
    auto pixel = [this](const Vertex* v) {
        return CPoint{static_cast<int>(std::lround(v->position.x / f.m_dPixelSize + 299.5)),
                      static_cast<int>(std::lround(299.5 - v->position.y / f.m_dPixelSize))};
    };
    std::vector<Vec3> before;
    for (Vertex* v = f.m_pVertices; v != nullptr; v = v->next) before.push_back(v->position);

    f.OnLButtonDown(0, pixel(smooth[0]));
    EXPECT_EQ(smooth[0]->kind, kSharpVertex);
    f.OnTool(ID_TOOL_ERASER);
    f.OnMouseMove(0, pixel(smooth[1]));
    EXPECT_EQ(smooth[1]->kind, kSharpVertex);
    EXPECT_EQ(CountLinks(f.m_pCurves->next), 3);  // nothing erased
    f.OnLButtonUp(0, pixel(smooth[1]));
    EXPECT_EQ(f.m_nDragState, 0);

    size_t i = 0;
    double change = 0.0;
    for (Vertex* v = f.m_pVertices; v != nullptr; v = v->next, ++i)
        change += Length(v->position - before[i]);
    EXPECT_GT(change, 0.0);
    EXPECT_EQ(ValidateModel(f), "");
}

}  // namespace
