#include <gtest/gtest.h>

#include "app/CommandTable.h"
#include "model/Snapshot.h"
#include "support/Body.h"
#include "support/MeshBuilders.h"

// Undo and redo at the frame: what makes a step, what the items say, what comes back
// besides the model. Whole sessions are checked step by step in the fuzz checks.

namespace {

struct Undo : Body {
    bool Enabled(int id) const { return CommandEnabled(frame, *FindCommand(id)); }
    std::string Text(int id) const {
        const auto it = host.itemTexts.find(id);
        return it == host.itemTexts.end() ? "" : it->second;
    }
    // The first outline of the corpus: a body, one step.
    void DrawBody() { Draw(DrawOutlines(kSmallOutline, false).front()); }
};

}  // namespace

TEST(UndoFrame, StepsAreModelChangesOnlyAndTheItemsNameThem) {
    Undo u;
    CMainFrame& f = u.frame;
    EXPECT_FALSE(u.Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(u.Enabled(ID_EDIT_REDO));
    // A click on the empty scene is refused with the beep: no step.
    f.OnLButtonDown(0, {300, 300});
    f.OnLButtonUp(0, {300, 300});
    EXPECT_EQ(u.host.beeps, 1);
    EXPECT_EQ(f.m_history.UndoCount(), 0u);

    u.DrawBody();
    ASSERT_EQ(f.m_nModelState, kModelBody);
    const ModelSnapshot body(f);
    EXPECT_EQ(u.Text(ID_EDIT_UNDO), "&Undo Stroke\tCtrl+Z");
    EXPECT_EQ(u.Text(ID_EDIT_REDO), "&Redo\tCtrl+Y");
    EXPECT_EQ(u.host.itemTextMenu[ID_EDIT_UNDO], f.m_hEditMenu);
    EXPECT_NE(f.m_hEditMenu, 0);
    EXPECT_TRUE(u.Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(u.Enabled(ID_EDIT_REDO));

    // Looking at the model changes nothing of it.
    f.OnRButtonDown(0, {300, 300});
    f.OnMouseMove(0, {340, 320});
    f.OnRButtonUp(0, {340, 320});
    for (int id : {ID_VIEW_TOP, ID_DISPLAY_EDGES, ID_SHOW_CONTROL_VERTICES, ID_VIEW_SIDE})
        f.OnCommand(id);
    f.OnMouseWheel(0, -120, {0, 0});
    EXPECT_EQ(f.m_history.UndoCount(), 1u);

    // While a button is held, undo waits: the stroke goes on with its own records.
    f.OnLButtonDown(0, {300, 300});
    EXPECT_FALSE(u.Enabled(ID_EDIT_UNDO));
    f.OnCommand(ID_EDIT_UNDO);
    ASSERT_NE(f.m_pCurves, nullptr);
    EXPECT_EQ(f.m_pCurves->kind, kStrokeCurve);
    f.OnLButtonUp(0, {300, 300});  // a click on the body: refused, no step
    EXPECT_EQ(f.m_history.UndoCount(), 1u);
    EXPECT_TRUE(body.Matches(f));

    f.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_nModelState, kModelEmpty);
    EXPECT_EQ(u.Text(ID_EDIT_UNDO), "&Undo\tCtrl+Z");
    EXPECT_EQ(u.Text(ID_EDIT_REDO), "&Redo Stroke\tCtrl+Y");
    f.OnCommand(ID_EDIT_REDO);
    EXPECT_TRUE(body.Matches(f));
    EXPECT_EQ(ValidateModel(f), "");
}

// New takes the orientation with it and Auto Center moves the body: their steps give
// both back, so that later fairings do not centre a body the user never centred.
TEST(UndoFrame, NewAndAutoCenterGiveBackTheirSettings) {
    Undo u;
    CMainFrame& f = u.frame;
    u.DrawBody();
    u.Turn(30, 120);
    const double turned[8] = {f.m_ViewMatrix[0], f.m_ViewMatrix[1], f.m_ViewMatrix[2],
                              f.m_ViewMatrix[3], f.m_ViewMatrix[4], f.m_ViewMatrix[5],
                              f.m_ViewMatrix[6], f.m_ViewMatrix[7]};
    const ModelSnapshot drawn(f);

    f.OnCommand(ID_AUTO_CENTER);
    EXPECT_EQ(u.Text(ID_EDIT_UNDO), "&Undo Auto Center\tCtrl+Z");
    EXPECT_FALSE(drawn.Matches(f));  // the body was not centred: it moved
    f.OnCommand(ID_FILE_NEW);
    EXPECT_EQ(f.m_nElevation, 0);

    f.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(f.m_nElevation, 30);
    EXPECT_EQ(f.m_nAzimuth, 120);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.m_ViewMatrix[i], turned[i]) << "term " << i + 1;
    EXPECT_EQ(f.m_bAutoCenter, 1);
    f.OnCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(drawn.Matches(f));
    EXPECT_EQ(f.m_bAutoCenter, 0);
    EXPECT_FALSE(u.host.IsChecked(ID_AUTO_CENTER));
    // Taking back the steps leaves the view the user turned to.
    EXPECT_EQ(f.m_nAzimuth, 120);

    f.OnCommand(ID_EDIT_REDO);
    f.OnCommand(ID_EDIT_REDO);
    EXPECT_EQ(f.m_pVertices, nullptr);
    EXPECT_EQ(f.m_nAzimuth, 0);
    EXPECT_EQ(f.m_bAutoCenter, 1);
    EXPECT_TRUE(u.host.IsChecked(ID_AUTO_CENTER));
}

// The history keeps no more than its budget, oldest steps going first, and never
// leaves behind a step whose redo it could no longer give.
TEST(UndoFrame, BudgetDropsTheOldestSteps) {
    TestFrame t;
    CMainFrame& f = t.frame;
    MakeIcosphere(f, 50.0, 2);
    const size_t step = ModelSnapshot(f).Bytes();
    f.m_history.SetBudget(3 * step + step / 2);
    std::vector<double> xs;
    for (int i = 0; i < 6; ++i) {
        xs.push_back(f.m_pVertices->position.x);
        f.BeginUndoStep();
        f.m_pVertices->position.x += 1.0;
        f.EndUndoStep("Drag");
        EXPECT_LE(f.m_history.Bytes(), 3 * step + step / 2) << "step " << i;
    }
    EXPECT_EQ(f.m_history.UndoCount(), 3u);
    EXPECT_EQ(f.m_history.Dropped(), 3u);
    // Undone as far as it goes, the model is the one before the oldest step kept; the
    // first undo also copies the live model for its redo, which drops one more.
    while (f.m_history.UndoCount() > 0) f.OnCommand(ID_EDIT_UNDO);
    EXPECT_LE(f.m_history.Bytes(), 3 * step + step / 2);
    EXPECT_EQ(f.m_pVertices->position.x, xs[xs.size() - f.m_history.RedoCount()]);
    EXPECT_GE(f.m_history.RedoCount(), 2u);
    while (f.m_history.RedoCount() > 0) f.OnCommand(ID_EDIT_REDO);
    EXPECT_EQ(f.m_pVertices->position.x, xs.back() + 1.0);

    // A budget below one step keeps none.
    f.m_history.SetBudget(step / 2);
    EXPECT_EQ(f.m_history.UndoCount() + f.m_history.RedoCount(), 0u);
    EXPECT_FALSE(CommandEnabled(f, *FindCommand(ID_EDIT_UNDO)));
}
