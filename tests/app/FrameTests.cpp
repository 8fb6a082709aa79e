// Frame creation, commands and menu marks, projection and preset views.
#include <gtest/gtest.h>

#include <cmath>

#include "app/CommandTable.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

struct Frame : FrameTest {
    void ExpectIdentityView() {
        const double identity[8] = {0, 1, 0, 1, 0, 0, 0, 1};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], identity[i]) << "term " << i + 1;
    }
};

TEST_F(Frame, CreationSetsInitialStateAndMarks) {
    EXPECT_EQ(f.m_hCursorPen, IDC_PEN);
    EXPECT_EQ(f.m_hCursorEraser, IDC_ERASER);
    EXPECT_EQ(f.m_hCursorDrag, IDC_DRAG);
    EXPECT_EQ(f.m_hCursorChange, IDC_CHANGE);
    EXPECT_EQ(f.m_hDC, &host);
    // Menus are found by their ids, not by where they stand.
    EXPECT_EQ(f.m_hViewMenu, host.FindMenu(IDM_VIEW));
    EXPECT_EQ(f.m_hDisplayMenu, host.FindMenu(IDM_DISPLAY_MODE));
    EXPECT_EQ(f.m_hToolsMenu, host.FindMenu(IDM_TOOLS));

    EXPECT_EQ(f.m_nDragState, 0);
    EXPECT_EQ(f.m_nModelState, 0);
    EXPECT_EQ(f.m_nDisplayMode, ID_DISPLAY_SURFACES);
    EXPECT_EQ(f.m_nTool, ID_TOOL_PEN);
    EXPECT_EQ(f.m_bShowControlVertices, 1);
    EXPECT_EQ(f.m_bAutoCenter, 0);
    EXPECT_EQ(f.m_nElevation, 0);
    EXPECT_EQ(f.m_nAzimuth, 0);
    EXPECT_EQ(f.m_nZoom, kMinZoom);
    EXPECT_EQ(f.m_dStrokeStep, 10.0);
    EXPECT_EQ(f.m_dNearSq, 100.0);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pTriangles, nullptr);
    ExpectIdentityView();

    const float clear[4] = {1, 1, 1, 1};
    const float ambient[4] = {1, 1, 1, 1};
    const float material[4] = {0.5f, 0.5f, 0.5f, 1};
    const float light[4] = {-1, 1, 2, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.m_afClearColor[i], clear[i]);
        EXPECT_EQ(f.m_afLightModelAmbient[i], ambient[i]);
        EXPECT_EQ(f.m_afMaterialAmbientDiffuse[i], material[i]);
        EXPECT_EQ(f.m_afLight0Position[i], light[i]);
    }
    EXPECT_EQ(f.m_fPointSize, 3.0f);

    EXPECT_TRUE(host.IsChecked(ID_DISPLAY_SURFACES));
    EXPECT_FALSE(host.IsChecked(ID_DISPLAY_EDGES));
    EXPECT_EQ(host.markMenu[ID_DISPLAY_SURFACES], f.m_hDisplayMenu);
    EXPECT_TRUE(host.IsChecked(ID_TOOL_PEN));
    for (int id : {ID_TOOL_ERASER, ID_TOOL_DRAG, ID_TOOL_CHANGE}) EXPECT_FALSE(host.IsChecked(id));
    EXPECT_EQ(host.markMenu[ID_TOOL_PEN], f.m_hToolsMenu);
    EXPECT_TRUE(host.IsChecked(ID_SHOW_CONTROL_VERTICES));
    EXPECT_EQ(host.markMenu[ID_SHOW_CONTROL_VERTICES], f.m_hDisplayMenu);
    // A check item that has never been on gets no mark at all, not even an empty one.
    EXPECT_EQ(host.marks.count(ID_AUTO_CENTER), 0u);
    // One repaint from creation, one from the first size.
    EXPECT_EQ(host.repaints, 2);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Frame, DisplayModeMovesMarkAndLight) {
    EXPECT_TRUE(f.OnCommand(ID_DISPLAY_EDGES));
    EXPECT_EQ(f.m_nDisplayMode, ID_DISPLAY_EDGES);
    EXPECT_TRUE(host.IsChecked(ID_DISPLAY_EDGES));
    EXPECT_FALSE(host.IsChecked(ID_DISPLAY_SURFACES));
    EXPECT_EQ(host.markMenu[ID_DISPLAY_EDGES], f.m_hDisplayMenu);
    const float behind[4] = {0, 0, -1, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.m_afLight0Position[i], behind[i]);
    EXPECT_EQ(host.repaints, 3);

    f.OnCommand(ID_DISPLAY_SURFACES);
    const float front[4] = {-1, 1, 2, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.m_afLight0Position[i], front[i]);
    EXPECT_TRUE(host.IsChecked(ID_DISPLAY_SURFACES));
    EXPECT_EQ(host.repaints, 4);
}

// The two options that are turned on and off from a menu: each turn flips the field and
// its mark (in the option's own menu). Hiding or showing control vertices changes the
// picture, so both turns repaint; Auto Center repaints when it is switched on (the
// model may move), but switching it off leaves the picture as it was.
TEST_F(Frame, OptionsToggleWithTheirMarks) {
    struct Option {
        int id;
        const int32_t* field;
        int menu;
        int repaintsOn;
        int repaintsOff;
    };
    for (const Option& o : {Option{ID_SHOW_CONTROL_VERTICES, &f.m_bShowControlVertices,
                                   f.m_hDisplayMenu, 1, 1},
                            Option{ID_AUTO_CENTER, &f.m_bAutoCenter, f.m_hViewMenu, 1, 0}}) {
        SCOPED_TRACE(o.id);
        const int32_t initial = *o.field;
        for (int turn = 1; turn <= 2; ++turn) {
            const int repaintsBefore = host.repaints;
            f.OnCommand(o.id);
            const bool on = turn == 1 ? !initial : initial;
            EXPECT_EQ(*o.field, on ? 1 : 0);
            EXPECT_EQ(host.IsChecked(o.id), on);
            EXPECT_EQ(host.markMenu[o.id], o.menu);
            EXPECT_EQ(host.repaints - repaintsBefore, on ? o.repaintsOn : o.repaintsOff);
        }
    }
}

TEST_F(Frame, EveryToolCanBeChosenOnEmptyScene) {
    for (int id : {ID_TOOL_ERASER, ID_TOOL_DRAG, ID_TOOL_CHANGE, ID_TOOL_PEN}) {
        EXPECT_TRUE(f.OnCommand(id));
        EXPECT_EQ(f.m_nTool, id);
        EXPECT_TRUE(host.IsChecked(id));
        EXPECT_EQ(host.markMenu[id], f.m_hToolsMenu);
    }
    EXPECT_EQ(host.beeps, 0);
    // Choosing a tool does not repaint; the cursor follows at the next move.
    EXPECT_EQ(host.repaints, 2);
}

TEST_F(Frame, EraserAndChangeRefusedWhileClosedCurveWaits) {
    f.OnCommand(ID_TOOL_DRAG);
    f.m_nModelState = 1;
    for (int id : {ID_TOOL_ERASER, ID_TOOL_CHANGE}) {
        f.OnCommand(id);
        EXPECT_EQ(f.m_nTool, ID_TOOL_DRAG);
        EXPECT_TRUE(host.IsChecked(ID_TOOL_DRAG));
        EXPECT_FALSE(host.IsChecked(id));
    }
    EXPECT_EQ(host.beeps, 2);
    f.OnCommand(ID_TOOL_PEN);
    EXPECT_EQ(f.m_nTool, ID_TOOL_PEN);
    f.OnCommand(ID_TOOL_DRAG);
    EXPECT_EQ(f.m_nTool, ID_TOOL_DRAG);
    EXPECT_EQ(host.beeps, 2);
}

TEST_F(Frame, UnknownCommandsAndExitAreLeftToThePlatform) {
    EXPECT_FALSE(f.OnCommand(ID_APP_EXIT));
    EXPECT_FALSE(f.OnCommand(12345));
    EXPECT_EQ(host.repaints, 2);
}

TEST_F(Frame, AutoCenterRecentresModelAndStaysWhenSwitchedOff) {
    MakeIcosphere(f, 50.0, 1, {30, -20, 10});
    f.OnCommand(ID_AUTO_CENTER);
    const Bounds box = ModelBounds(f);
    EXPECT_NEAR(box.lo.x + box.hi.x, 0.0, 1e-9);
    EXPECT_NEAR(box.lo.y + box.hi.y, 0.0, 1e-9);
    EXPECT_NEAR(box.lo.z + box.hi.z, 0.0, 1e-9);
    const Vec3 kept = f.m_pVertices->position;
    f.OnCommand(ID_AUTO_CENTER);
    EXPECT_EQ(f.m_pVertices->position.x, kept.x);
    EXPECT_EQ(f.m_pVertices->position.y, kept.y);
    EXPECT_EQ(ValidateModel(f), "");
}

TEST_F(Frame, FileNewResetsViewKeepsZoomAndFreesModel) {
    f.OnCommand(ID_DISPLAY_EDGES);
    f.OnCommand(ID_TOOL_DRAG);
    f.OnCommand(ID_AUTO_CENTER);
    BuiltMesh mesh = MakeIcosphere(f, 40.0, 1);
    AddCurve(f, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kClosedCurve);
    f.m_nElevation = 30;
    f.m_nAzimuth = 120;
    f.ComputeViewMatrix();
    f.m_nZoom = 5480;
    f.UpdateProjection();
    const double pixel = f.m_dPixelSize;
    const int repaints = host.repaints;

    f.OnCommand(ID_FILE_NEW);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pTriangles, nullptr);
    EXPECT_EQ(f.m_nModelState, 0);
    EXPECT_EQ(f.m_nElevation, 0);
    EXPECT_EQ(f.m_nAzimuth, 0);
    ExpectIdentityView();
    EXPECT_EQ(f.m_nZoom, 5480);
    EXPECT_EQ(f.m_dPixelSize, pixel);
    EXPECT_EQ(f.m_nDisplayMode, ID_DISPLAY_EDGES);
    EXPECT_EQ(f.m_nTool, ID_TOOL_DRAG);
    EXPECT_EQ(f.m_bAutoCenter, 1);
    EXPECT_TRUE(host.IsChecked(ID_TOOL_DRAG));
    EXPECT_EQ(host.repaints, repaints + 1);
    EXPECT_EQ(ValidateModel(f), "");
}

// The zoom law: the longer side spans 2 * 1.001^zoom model units.
TEST_F(Frame, ProjectionOfWideWindow) {
    f.OnSize(600, 400);
    EXPECT_EQ(f.m_anViewport[2], 600);
    EXPECT_EQ(f.m_anViewport[3], 400);
    EXPECT_EQ(f.m_nClientWidth, 600);
    EXPECT_EQ(f.m_nClientHeight, 400);
    const double half = std::pow(1.001, kMinZoom);
    EXPECT_NEAR(f.m_adOrtho[1], 148.04, 0.005);
    EXPECT_NEAR(f.m_adOrtho[1], half, 1e-9);
    EXPECT_EQ(f.m_adOrtho[0], -f.m_adOrtho[1]);
    EXPECT_NEAR(f.m_adOrtho[3], 98.70, 0.005);
    EXPECT_EQ(f.m_adOrtho[2], -f.m_adOrtho[3]);
    EXPECT_EQ(f.m_adOrtho[4], -1000.0);
    EXPECT_EQ(f.m_adOrtho[5], 1000.0);
    EXPECT_NEAR(f.m_dPixelSize, 0.4935, 0.00005);
    EXPECT_EQ(host.repaints, 3);
}

TEST_F(Frame, ProjectionOfTallWindowKeepsLongerSide) {
    f.OnSize(300, 700);
    EXPECT_NEAR(f.m_adOrtho[3] - f.m_adOrtho[2], 296.09, 0.01);
    EXPECT_NEAR(f.m_adOrtho[1] / f.m_adOrtho[3], 300.0 / 700.0, 1e-12);
    EXPECT_NEAR(f.m_dPixelSize * 700, 296.09, 0.01);
}

TEST_F(Frame, ProjectionAtFarthestZoom) {
    f.m_nZoom = kMaxZoom;
    f.UpdateProjection();
    EXPECT_NEAR(f.m_adOrtho[1] - f.m_adOrtho[0], 772.92, 0.01);
}

// Minimising reports a zero-sized client area; the pixel size must stay usable.
TEST_F(Frame, ZeroSizedClientKeepsLastProjection) {
    f.OnSize(600, 400);
    const double pixel = f.m_dPixelSize;
    double ortho[6];
    for (int i = 0; i < 6; ++i) ortho[i] = f.m_adOrtho[i];
    for (auto size : {std::pair{0, 0}, std::pair{0, 400}, std::pair{600, 0}}) {
        f.OnSize(size.first, size.second);
        EXPECT_EQ(f.m_dPixelSize, pixel);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(f.m_adOrtho[i], ortho[i]);
    }
    f.OnSize(800, 800);
    EXPECT_NEAR(f.m_dPixelSize, 2 * std::pow(1.001, kMinZoom) / 800, 1e-12);
}

TEST_F(Frame, PresetViewsSetExactTermsAndKeepAzimuth) {
    f.m_nAzimuth = 30;
    f.m_nElevation = 20;
    f.ComputeViewMatrix();
    const double t3 = f.m_ViewMatrix[2], t4 = f.m_ViewMatrix[3];
    EXPECT_NEAR(t3, 0.5, 1e-9);

    f.OnCommand(ID_VIEW_TOP);
    EXPECT_EQ(f.m_nElevation, 90);
    EXPECT_EQ(f.m_nAzimuth, 30);
    const double top[8] = {1, 0, t3, t4, t3, t4, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], top[i]) << "term " << i + 1;

    f.OnCommand(ID_VIEW_BOTTOM);
    EXPECT_EQ(f.m_nElevation, -90);
    const double bottom[8] = {-1, 0, t3, t4, -t3, -t4, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], bottom[i]) << "term " << i + 1;

    f.OnCommand(ID_VIEW_SIDE);
    EXPECT_EQ(f.m_nElevation, 0);
    EXPECT_EQ(f.m_nAzimuth, 30);
    const double side[8] = {0, 1, t3, t4, 0, 0, t3, t4};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], side[i]) << "term " << i + 1;
    EXPECT_EQ(host.repaints, 5);
}

// The terms must be the rotation about y by az followed by x by el, so that a model
// point maps to the view coordinates the renderer shows.
TEST_F(Frame, ViewMatrixMatchesRotationOfAPoint) {
    f.m_nAzimuth = 90;
    f.m_nElevation = 0;
    f.ComputeViewMatrix();
    const double* m = f.m_ViewMatrix;
    // Azimuth 90 turns the model's +x axis straight away from the viewer.
    const Vec3 p{1, 0, 0};
    EXPECT_NEAR(m[3] * p.x + m[2] * p.z, 0.0, 1e-9);
    EXPECT_NEAR(-m[6] * p.x + m[0] * p.y + m[7] * p.z, -1.0, 1e-9);
    f.m_nAzimuth = 0;
    f.m_nElevation = 90;
    f.ComputeViewMatrix();
    // Looking down from +y: the model's +y axis points at the viewer.
    EXPECT_NEAR(-m[6] * 0 + m[0] * 1 + m[7] * 0, 1.0, 1e-9);
    // The degree constant is the truncated one.
    EXPECT_EQ(f.m_ViewMatrix[0], std::sin(90 * 0.01745329252));
}

}  // namespace
