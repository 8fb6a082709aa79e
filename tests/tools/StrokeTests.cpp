// Stroke capture, classification, dropping, and the dispatch rows that need no other
// area's operations.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

struct Pen : TestFrame {
    Pen() { host.repaints = 0; }

    void Down(double x, double y) {
        frame.m_ptMouse = {x, y};
        frame.BeginStroke();
    }
    void Move(double x, double y) {
        frame.m_ptMouse = {x, y};
        frame.ExtendStroke();
    }
    // Press and release at one point: a stroke of a single sample handed on.
    void Click(double x, double y) {
        Down(x, y);
        frame.FinishPenStroke();
    }
    std::vector<std::pair<double, double>> Samples() const {
        std::vector<std::pair<double, double>> out;
        for (const CurveLink* l = frame.m_pCurves->first; l != nullptr; l = l->next)
            out.emplace_back(l->vertex->work.x, l->vertex->work.y);
        return out;
    }
    int Classify() {
        frame.ClassifyStroke();
        return frame.m_nStrokeClass;
    }
};

// A square path of side 100 from (0, 0) anticlockwise, sampled every 10 units,
// ending on the left side at height `endY` (no middle sample near the closing chord).
std::vector<std::pair<double, double>> SquareLoop(double endY) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i <= 10; ++i) p.emplace_back(10.0 * i, 0.0);
    for (int i = 1; i <= 10; ++i) p.emplace_back(100.0, 10.0 * i);
    for (int i = 9; i >= 0; --i) p.emplace_back(10.0 * i, 100.0);
    for (double y = 90.0; y > endY + 5.0; y -= 10.0) p.emplace_back(0.0, y);
    p.emplace_back(0.0, endY);
    return p;
}

}  // namespace

TEST(Stroke, BeginMakesOneSampleStrokeAtTheMouse) {
    Pen pen;
    auto* older = new Vertex;
    pen.frame.m_pVertices = older;
    pen.Down(3.5, -2.0);
    const Curve* c = pen.frame.m_pCurves;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, kStrokeCurve);
    EXPECT_EQ(c->first, c->last);
    EXPECT_EQ(c->first->vertex, pen.frame.m_pVertices);
    EXPECT_EQ(c->first->vertex->kind, kSmoothVertex);
    EXPECT_EQ(c->first->vertex->next, older);
    EXPECT_EQ(pen.Samples(), (std::vector<std::pair<double, double>>{{3.5, -2.0}}));
    EXPECT_EQ(pen.host.repaints, 1);
    // A click without movement is a dot.
    EXPECT_EQ(pen.Classify(), StrokeDot);
}

TEST(Stroke, ShortMoveAddsNothingButRepaints) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(6.0, 7.9);  // 9.99 away: still nearer than one step
    EXPECT_EQ(pen.Samples().size(), 1u);
    EXPECT_EQ(pen.host.repaints, 2);
}

TEST(Stroke, MoveOf35GivesThreeSamplesAndOneRepaint) {
    Pen pen;
    auto* older = new Vertex;
    pen.frame.m_pVertices = older;
    pen.Down(0, 0);
    pen.Move(35.0, 0.0);
    EXPECT_EQ(pen.Samples(),
              (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {20, 0}, {30, 0}}));
    EXPECT_EQ(pen.host.repaints, 2);
    // The samples head the vertex list, newest first, ahead of the older vertex.
    const Vertex* v = pen.frame.m_pVertices;
    for (double x : {30.0, 20.0, 10.0, 0.0}) {
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->work.x, x);
        v = v->next;
    }
    EXPECT_EQ(v, older);
}

TEST(Stroke, ReturningNearAnEarlierSampleCutsBack) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(50, 0);
    ASSERT_EQ(pen.Samples().size(), 6u);
    // Heading back left, the first candidate falls within 10 of the sample at 40,
    // the next within 10 of the one at 30: the stroke ends at 30.
    pen.Move(30, 5);
    EXPECT_EQ(pen.Samples(),
              (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {20, 0}, {30, 0}}));
    EXPECT_EQ(CountVertices(pen.frame), 4);
    EXPECT_EQ(pen.frame.m_pVertices, pen.frame.m_pCurves->last->vertex);
    EXPECT_EQ(pen.frame.m_pCurves->last->next, nullptr);
}

TEST(Stroke, SquareBackToItsStartLeavesOneSample) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(50, 0);
    pen.Move(50, 50);
    pen.Move(0, 50);
    pen.Move(0, 0);
    EXPECT_EQ(pen.Samples(), (std::vector<std::pair<double, double>>{{0, 0}}));
    EXPECT_EQ(CountVertices(pen.frame), 1);
    EXPECT_EQ(pen.Classify(), StrokeDot);
}

TEST(Stroke, SamplesKeepTheirSpacing) {
    // Any wiggly path: neighbours exactly one step apart, every other pair at least
    // one step apart (the stroke never holds a loop).
    Pen pen;
    pen.Down(0, 0);
    const double path[][2] = {{80, 5}, {90, 70}, {20, 80}, {-40, 40}, {10, 30}, {-60, -50}, {50, -80}, {40, 60}};
    for (const auto& p : path) pen.Move(p[0], p[1]);
    const auto s = pen.Samples();
    ASSERT_GT(s.size(), 5u);
    for (size_t i = 0; i < s.size(); ++i) {
        for (size_t j = i + 1; j < s.size(); ++j) {
            const double dx = s[i].first - s[j].first;
            const double dy = s[i].second - s[j].second;
            if (j == i + 1)
                EXPECT_NEAR(dx * dx + dy * dy, 100.0, 1e-9);
            else
                EXPECT_GE(dx * dx + dy * dy, 100.0 - 1e-9) << i << " " << j;
        }
    }
}

TEST(Classify, TwoSamplesAreALine) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(10, 0);
    ASSERT_EQ(pen.Samples().size(), 2u);
    EXPECT_EQ(pen.Classify(), StrokeLine);
}

TEST(Classify, StraightStrokeIsALine) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(200, 30);
    EXPECT_EQ(pen.Classify(), StrokeLine);
}

TEST(Classify, UShapeIsAnArc) {
    Pen pen;
    pen.Down(0, 0);
    pen.Move(0, -100);
    pen.Move(100, -100);
    pen.Move(100, 0);
    const auto s = pen.Samples();
    EXPECT_EQ(s.back(), (std::pair<double, double>{100, 0}));
    EXPECT_EQ(pen.Classify(), StrokeArc);
}

TEST(Classify, LoopEndsCloserThan30AreALoop) {
    TestFrame scene{TestFrame::Unsized{}};
    CMainFrame& f = scene.frame;
    PushStroke(f, SquareLoop(25.0));
    f.ClassifyStroke();
    EXPECT_EQ(f.m_nStrokeClass, StrokeLoop);

    // 30 apart: D / NearSq is exactly 9, not below it.
    PushStroke(f, SquareLoop(30.0));
    f.ClassifyStroke();
    EXPECT_EQ(f.m_nStrokeClass, StrokeArc);
}

TEST(Classify, MiddleSampleNearTheChordComesBeforeCloseness) {
    // Ends 25 apart, but a middle sample lies on the chord between them.
    TestFrame scene{TestFrame::Unsized{}};
    CMainFrame& f = scene.frame;
    PushStroke(f, {{0, 0}, {0, 40}, {40, 40}, {12.5, 3}, {25, 0}});
    f.ClassifyStroke();
    EXPECT_EQ(f.m_nStrokeClass, StrokeLine);
}

TEST(DropStroke, BeepLeavesStateSilentSetsTwo) {
    Pen pen;
    auto* older = new Vertex;
    pen.frame.m_pVertices = older;
    pen.frame.m_nModelState = 1;
    pen.Down(0, 0);
    pen.Move(40, 0);
    pen.frame.DropNewestStroke(1);
    EXPECT_EQ(pen.frame.m_pVertices, older);
    EXPECT_EQ(pen.frame.m_pCurves, nullptr);
    EXPECT_EQ(pen.host.beeps, 1);
    EXPECT_EQ(pen.frame.m_nModelState, 1);

    pen.frame.m_nModelState = 0;
    pen.Down(0, 0);
    pen.frame.DropNewestStroke(0);
    EXPECT_EQ(pen.frame.m_pVertices, older);
    EXPECT_EQ(pen.host.beeps, 1);
    EXPECT_EQ(pen.frame.m_nModelState, 2);
}

TEST(FinishPenStroke, EmptySceneRefusesClickAndLineWithBeep) {
    Pen pen;
    pen.Click(0, 0);
    EXPECT_EQ(pen.host.beeps, 1);
    pen.Down(0, 0);
    pen.Move(100, 0);
    const int repaintsBefore = pen.host.repaints;
    pen.frame.FinishPenStroke();
    EXPECT_EQ(pen.host.beeps, 2);
    EXPECT_EQ(pen.host.repaints, repaintsBefore + 1);
    EXPECT_EQ(pen.frame.m_pVertices, nullptr);
    EXPECT_EQ(pen.frame.m_pCurves, nullptr);
    EXPECT_EQ(pen.frame.m_nModelState, 0);
}

TEST(FinishPenStroke, ClickWhileCurveWaitsIsSilentAndAccepts) {
    Pen pen;
    pen.frame.m_nModelState = 1;
    pen.Click(5, 5);
    EXPECT_EQ(pen.host.beeps, 0);
    EXPECT_EQ(pen.frame.m_nModelState, 2);
    EXPECT_EQ(pen.frame.m_pCurves, nullptr);
    // Idle model: a click beeps.
    pen.Click(5, 5);
    EXPECT_EQ(pen.host.beeps, 1);
    EXPECT_EQ(pen.frame.m_nModelState, 2);
}

TEST(FinishPenStroke, WithoutAStrokeAtTheHeadNothingHappens) {
    // File New may have released the stroke while the button was held.
    Pen pen;
    pen.Move(50, 0);
    pen.frame.FinishPenStroke();
    EXPECT_EQ(pen.host.repaints, 0);
    EXPECT_EQ(pen.host.beeps, 0);

    // A model curve at the head is never taken for a stroke.
    PushStroke(pen.frame, {{0, 0}, {10, 0}, {20, 0}});
    Curve* curve = pen.frame.m_pCurves;
    curve->kind = kOpenCurve;
    pen.Move(80, 0);
    pen.frame.FinishPenStroke();
    EXPECT_EQ(pen.frame.m_pCurves, curve);
    EXPECT_EQ(CountLinks(curve), 3);
    EXPECT_EQ(CountVertices(pen.frame), 3);
    EXPECT_EQ(pen.host.repaints, 0);
}
