// The mouse state machine: rotation with wrap and snap, wheel zoom, cursor, pixel
// mapping, and the gestures that must be ignored.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

// No tool: a left-button gesture then only maps the mouse and keeps DragState, which
// lets the state machine be checked without any tool operation.
constexpr int kNoTool = 0;

struct Mouse : FrameTest {
    // Starts a rotation with both anchors at zero, so a move to (px, py) asks for
    // azimuth px and elevation py.
    void StartRotation() {
        f.m_nModelState = 2;
        f.OnRButtonDown(0, {0, 0});
        ASSERT_EQ(f.m_nDragState, 1);
        f.m_nRotateAnchorAz = 0;
        f.m_nRotateAnchorEl = 0;
    }
};

TEST_F(Mouse, RightDragOnEmptySceneDoesNotRotate) {
    f.OnRButtonDown(0, {100, 100});
    EXPECT_EQ(f.m_nDragState, 0);
    f.OnMouseMove(0, {200, 150});
    EXPECT_EQ(f.m_nAzimuth, 0);
    EXPECT_EQ(f.m_nElevation, 0);
    EXPECT_EQ(host.repaints, 2);
}

TEST_F(Mouse, RotationFollowsTheMouseFromWhereItBegan) {
    f.m_nModelState = 2;
    f.m_nAzimuth = 40;
    f.m_nElevation = 30;
    f.OnRButtonDown(0, {100, 200});
    EXPECT_EQ(f.m_nRotateAnchorAz, -60);
    EXPECT_EQ(f.m_nRotateAnchorEl, -170);
    f.OnMouseMove(0, {120, 190});
    EXPECT_EQ(f.m_nAzimuth, 60);
    EXPECT_EQ(f.m_nElevation, 20);
    CMainFrame expected(&host);
    expected.m_nAzimuth = 60;
    expected.m_nElevation = 20;
    expected.ComputeViewMatrix();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], expected.m_ViewMatrix[i]);
    EXPECT_EQ(host.repaints, 3);
    // Releasing ends the rotation without another repaint.
    f.OnRButtonUp(0, {120, 190});
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(host.repaints, 3);
    f.OnMouseMove(0, {300, 300});
    EXPECT_EQ(f.m_nAzimuth, 60);
}

TEST_F(Mouse, AzimuthWrapsAndSnaps) {
    StartRotation();
    const std::vector<std::pair<int, int>> cases = {{-1, 0},    {-360, 0},  {364, 0},   {365, 5},
                                                    {720, 0},   {85, 85},   {86, 90},   {274, 270},
                                                    {275, 275}, {355, 355}, {180, 180}, {-90, 270}};
    for (auto [asked, expected] : cases) {
        f.OnMouseMove(0, {asked, 0});
        EXPECT_EQ(f.m_nAzimuth, expected) << "anchor plus pixel " << asked;
    }
}

TEST_F(Mouse, ElevationSnapsAndClamps) {
    StartRotation();
    const std::vector<std::pair<int, int>> cases = {{-85, -85}, {-86, -90}, {-5, -5},
                                                    {-4, 0},    {4, 0},     {5, 5},
                                                    {86, 90},   {500, 90},  {-500, -90}};
    for (auto [asked, expected] : cases) {
        f.OnMouseMove(0, {0, asked});
        EXPECT_EQ(f.m_nElevation, expected) << "anchor plus pixel " << asked;
    }
}

TEST_F(Mouse, WheelZoomClampsToRange) {
    f.OnMouseWheel(0, 120, {});
    EXPECT_EQ(f.m_nZoom, kMinZoom);
    f.m_nZoom = kMaxZoom;
    f.OnMouseWheel(0, -120, {});
    EXPECT_EQ(f.m_nZoom, kMaxZoom);
    f.m_nZoom = 5100;
    const int repaints = host.repaints;
    EXPECT_TRUE(f.OnMouseWheel(0, 240, {}));
    EXPECT_EQ(f.m_nZoom, kMinZoom);
    EXPECT_EQ(host.repaints, repaints + 1);
    f.OnMouseWheel(0, -120, {});
    EXPECT_EQ(f.m_nZoom, 5120);
    EXPECT_NEAR(f.m_dPixelSize, 2 * std::pow(1.001, 5120) / 600, 1e-9);
}

TEST_F(Mouse, WheelAndLeftButtonIgnoredDuringRotation) {
    StartRotation();
    f.m_nTool = kNoTool;
    EXPECT_TRUE(f.OnMouseWheel(0, -120, {}));
    EXPECT_EQ(f.m_nZoom, kMinZoom);
    f.OnLButtonDown(0, {10, 10});
    EXPECT_EQ(f.m_nDragState, 1);
    f.OnLButtonUp(0, {10, 10});
    EXPECT_EQ(f.m_nDragState, 1);
    f.OnRButtonDown(0, {50, 50});
    EXPECT_EQ(f.m_nRotateAnchorAz, 0);
}

TEST_F(Mouse, RightButtonAndWheelIgnoredDuringToolStroke) {
    f.m_nModelState = 2;
    f.m_nTool = kNoTool;
    f.OnLButtonDown(0, {10, 10});
    ASSERT_EQ(f.m_nDragState, 2);
    f.OnRButtonDown(0, {10, 10});
    f.OnRButtonUp(0, {10, 10});
    EXPECT_EQ(f.m_nDragState, 2);
    f.OnMouseWheel(0, -240, {});
    EXPECT_EQ(f.m_nZoom, kMinZoom);
    f.OnLButtonUp(0, {10, 10});
    EXPECT_EQ(f.m_nDragState, 0);
}

TEST_F(Mouse, CursorOfCurrentToolOnEveryMove) {
    const std::vector<std::pair<int, int>> tools = {{ID_TOOL_ERASER, IDC_ERASER},
                                                    {ID_TOOL_DRAG, IDC_DRAG},
                                                    {ID_TOOL_CHANGE, IDC_CHANGE},
                                                    {ID_TOOL_PEN, IDC_PEN}};
    for (auto [tool, cursor] : tools) {
        f.OnTool(tool);
        host.cursor = 0;
        f.OnMouseMove(0, {5, 5});
        EXPECT_EQ(host.cursor, cursor);
    }
    // Also while rotating.
    StartRotation();
    f.OnTool(ID_TOOL_DRAG);
    host.cursor = 0;
    f.OnMouseMove(0, {5, 5});
    EXPECT_EQ(host.cursor, IDC_DRAG);
}

TEST_F(Mouse, PixelsMapToViewPlaneCentredYUp) {
    f.m_nTool = kNoTool;
    f.OnSize(101, 80);
    f.OnLButtonDown(0, {50, 0});
    EXPECT_EQ(f.m_ptMouse.x, 0.0);
    EXPECT_EQ(f.m_ptMouse.y, 39.5 * f.m_dPixelSize);  // the top row has the largest y
    f.OnMouseMove(0, {100, 79});
    EXPECT_EQ(f.m_ptMouse.x, 50 * f.m_dPixelSize);
    EXPECT_EQ(f.m_ptMouse.y, -39.5 * f.m_dPixelSize);
    f.OnLButtonUp(0, {100, 79});

    f.OnSize(100, 80);
    f.OnLButtonDown(0, {50, 40});
    EXPECT_EQ(f.m_ptMouse.x, 0.5 * f.m_dPixelSize);
    EXPECT_EQ(f.m_ptMouse.y, -0.5 * f.m_dPixelSize);
    f.OnLButtonUp(0, {50, 40});
    // Moves outside a tool stroke leave the position alone.
    f.OnMouseMove(0, {0, 0});
    EXPECT_EQ(f.m_ptMouse.x, 0.5 * f.m_dPixelSize);
}

// The window takes no capture, so positions beyond the client area never reach a
// tool: a stroke that leaves the window stops growing there, and a press outside (a
// zero-sized client area has no inside) starts nothing.
TEST_F(Mouse, ToolsSeeOnlyTheClientArea) {
    f.OnSize(100, 80);
    f.OnLButtonDown(0, {50, 40});
    ASSERT_EQ(f.m_nDragState, 2);
    const int samples = CountVertices(f);
    const DPoint inside = f.m_ptMouse;
    for (CPoint outside : {CPoint{-1, 40}, CPoint{100, 40}, CPoint{50, -1}, CPoint{50, 80},
                           CPoint{100000, -100000}}) {
        f.OnMouseMove(0, outside);
        EXPECT_EQ(f.m_ptMouse.x, inside.x);
        EXPECT_EQ(f.m_ptMouse.y, inside.y);
        EXPECT_EQ(CountVertices(f), samples);
    }
    f.OnMouseMove(0, {99, 79});  // the last pixel inside still counts
    EXPECT_GT(CountVertices(f), samples);
    f.OnLButtonUp(0, {500, 500});  // a release outside still ends the stroke
    EXPECT_EQ(f.m_nDragState, 0);

    f.OnLButtonDown(0, {100, 10});
    EXPECT_EQ(f.m_nDragState, 0);
    f.OnSize(0, 0);
    f.OnLButtonDown(0, {0, 0});
    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(ValidateModel(f), "");
}

// The button-up of a stroke whose model File New released must find nothing to do.
TEST_F(Mouse, FileNewEndsToolStrokeButNotRotation) {
    MakeIcosphere(f, 20.0, 1);
    f.m_nTool = kNoTool;
    f.OnLButtonDown(0, {10, 10});
    ASSERT_EQ(f.m_nDragState, 2);
    f.OnFileNew();
    EXPECT_EQ(f.m_nDragState, 0);
    const int repaints = host.repaints;
    f.OnMouseMove(0, {20, 20});
    f.OnLButtonUp(0, {20, 20});
    EXPECT_EQ(host.repaints, repaints);
    EXPECT_EQ(ValidateModel(f), "");

    MakeIcosphere(f, 20.0, 1);
    f.OnRButtonDown(0, {10, 10});
    f.OnFileNew();
    EXPECT_EQ(f.m_nDragState, 1);
    f.OnRButtonUp(0, {10, 10});
    EXPECT_EQ(f.m_nDragState, 0);
}

}  // namespace
