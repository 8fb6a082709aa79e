// A tool stroke belongs to the tool that began it, and File New ends it.
#include <gtest/gtest.h>

#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

struct ToolStroke : FrameTest {};

// Choosing the Eraser while drawing must not leave the pen stroke unfinished at the
// head of the curve list: the pen finishes it (a short straight line on the empty
// scene is dropped with a beep).
TEST_F(ToolStroke, PenStrokeFinishedByPenAfterToolChange) {
    f.OnLButtonDown(0, {300, 300});
    ASSERT_EQ(CountCurves(f), 1);
    f.OnCommand(ID_TOOL_ERASER);
    EXPECT_EQ(f.m_nTool, ID_TOOL_ERASER);
    for (int y = 305; y <= 360; y += 5) f.OnMouseMove(0, {300, y});
    // The moves went on extending the stroke.
    EXPECT_GT(CountVertices(f), 1);
    EXPECT_EQ(ValidateModel(f), "");
    f.OnLButtonUp(0, {300, 360});
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(CountCurves(f), 0);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(f.m_nTool, ID_TOOL_ERASER);
    EXPECT_EQ(ValidateModel(f), "");
}

// An Eraser stroke ended after switching to the Pen is released as an Eraser stroke:
// fairing and a repaint, never a pen finish over a curve list without a stroke.
TEST_F(ToolStroke, EraserStrokeFinishedByEraserAfterToolChange) {
    MakeIcosphere(f, 60.0, 2);
    f.OnCommand(ID_TOOL_ERASER);
    f.OnLButtonDown(0, {5, 5});  // far from every vertex
    f.OnCommand(ID_TOOL_PEN);
    f.OnMouseMove(0, {10, 10});
    const int repaints = host.repaints;
    f.m_pVertices->curvature = 12345.0;  // fairing rewrites this scratch value
    f.OnLButtonUp(0, {10, 10});
    EXPECT_NE(f.m_pVertices->curvature, 12345.0);
    EXPECT_EQ(host.repaints, repaints + 1);
    EXPECT_EQ(CountCurves(f), 0);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(ValidateModel(f), "");
}

// File New while the button is held (its release went unseen) frees the stroke with
// the model; the later moves and the release must not touch it.
TEST_F(ToolStroke, FileNewMidPenStrokeEndsIt) {
    f.OnLButtonDown(0, {300, 300});
    for (int x = 305; x <= 400; x += 5) f.OnMouseMove(0, {x, 300});
    ASSERT_GT(CountVertices(f), 2);
    f.OnFileNew();
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    const int repaints = host.repaints;
    f.OnMouseMove(0, {410, 300});
    f.OnLButtonUp(0, {410, 300});
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(host.repaints, repaints);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(ValidateModel(f), "");
}

}  // namespace
