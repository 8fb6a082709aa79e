// The window layer driven with the real frame on Qt's offscreen platform: menu
// handles, marks kept by the core, accelerators on the items, and the cursors made
// from the cursor resources.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <memory>
#include <set>
#include <vector>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "platform/GLView.h"
#include "platform/QtMenus.h"
#include "platform/QtPlatform.h"

namespace {

// A frame wired to the Qt menus and platform. The drawing surface is never shown, so
// the frame's repaints reach it but draw nothing.
class QtLayer : public ::testing::Test {
protected:
    void SetUp() override {
        bar = std::make_unique<QMenuBar>();
        view = std::make_unique<GLView>();
        menus = std::make_unique<QtMenus>(bar.get(), [this](int id) {
            ++commands;
            frame->OnCommand(id);
        });
        platform = std::make_unique<QtPlatform>(bar.get(), view.get(), menus.get());
        frame = std::make_unique<CMainFrame>(platform.get());
        frame->OnCreate();
        frame->OnSize(600, 600);
    }

    void Trigger(int id) {
        QAction* action = menus->ActionFor(id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }

    // The mark on screen and the mark the core set must agree.
    bool Shown(int id) const {
        QAction* action = menus->ActionFor(id);
        const bool shown = action != nullptr && action->isCheckable() && action->isChecked();
        EXPECT_EQ(shown, menus->IsMarked(id)) << "item " << id;
        return shown;
    }

    std::unique_ptr<QMenuBar> bar;
    std::unique_ptr<GLView> view;
    std::unique_ptr<QtMenus> menus;
    std::unique_ptr<QtPlatform> platform;
    std::unique_ptr<CMainFrame> frame;
    int commands = 0;
};

// The built menus hold the table's entries, in the table's order, at every level.
void ExpectMenuAsTheTableLaysItOut(const QtMenus& menus, const QWidget* widget, int menuId) {
    const QList<QAction*> actions = widget->actions();
    const std::vector<MenuEntry> entries = MenuEntries(menuId);
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(entries.size())) << "menu " << menuId;
    for (size_t i = 0; i < entries.size(); ++i) {
        const QAction* action = actions[static_cast<qsizetype>(i)];
        const CommandDef* command = entries[i].command;
        if (command == nullptr) {
            ASSERT_NE(action->menu(), nullptr) << "menu " << menuId << " entry " << i;
            EXPECT_EQ(action->text().toStdString(), FindMenuDef(entries[i].submenu)->text);
            ExpectMenuAsTheTableLaysItOut(menus, action->menu(), entries[i].submenu);
        } else if (command->text == nullptr) {
            EXPECT_TRUE(action->isSeparator()) << "menu " << menuId << " entry " << i;
        } else {
            EXPECT_EQ(action, menus.ActionFor(command->id));
            EXPECT_EQ(action->text().toStdString(), MenuItemText(*command));
        }
    }
}

TEST_F(QtLayer, MenusAreBuiltFromTheTableAndFoundById) {
    ExpectMenuAsTheTableLaysItOut(*menus, bar.get(), 0);
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(top[1]->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(top[2]->text(), QStringLiteral("&View"));
    EXPECT_EQ(top[3]->text(), QStringLiteral("&Tools"));
    EXPECT_EQ(menus->ActionFor(ID_DISPLAY_EDGES)->text(), QStringLiteral("&Edges\t2"));

    const int viewMenu = platform->FindMenu(IDM_VIEW);
    const int displayMenu = platform->FindMenu(IDM_DISPLAY_MODE);
    const int toolsMenu = platform->FindMenu(IDM_TOOLS);
    const int editMenu = platform->FindMenu(IDM_EDIT);
    EXPECT_EQ(
        std::set<int>({viewMenu, displayMenu, toolsMenu, editMenu, platform->FindMenu(IDM_FILE)})
            .size(),
        5u);
    EXPECT_EQ(frame->m_hEditMenu, editMenu);
    EXPECT_EQ(frame->m_hViewMenu, viewMenu);
    EXPECT_EQ(frame->m_hToolsMenu, toolsMenu);
    EXPECT_EQ(frame->m_hDisplayMenu, displayMenu);
    EXPECT_EQ(platform->FindMenu(0), 0);
    EXPECT_EQ(platform->FindMenu(999), 0);
}

// A command the core may not run now is greyed while its menu is open, and only then:
// a disabled action would also swallow its key.
TEST(QtMenusGreying, ItemsFollowTheEnabledStateWhileTheirMenuIsOpen) {
    QMenuBar bar;
    bool topAllowed = false;
    QtMenus menus(
        &bar, [](int) {}, [&topAllowed](int id) { return id != ID_VIEW_TOP || topAllowed; });
    QMenu* view = bar.actions()[2]->menu();
    ASSERT_NE(view, nullptr);
    emit view->aboutToShow();
    EXPECT_FALSE(menus.ActionFor(ID_VIEW_TOP)->isEnabled());
    EXPECT_TRUE(menus.ActionFor(ID_VIEW_SIDE)->isEnabled());
    emit view->aboutToHide();
    EXPECT_TRUE(menus.ActionFor(ID_VIEW_TOP)->isEnabled());
    topAllowed = true;
    emit view->aboutToShow();
    EXPECT_TRUE(menus.ActionFor(ID_VIEW_TOP)->isEnabled());
}

TEST_F(QtLayer, StartUpMarksAreRadioAndCheckItems) {
    EXPECT_TRUE(Shown(ID_DISPLAY_SURFACES));
    EXPECT_FALSE(Shown(ID_DISPLAY_EDGES));
    EXPECT_TRUE(Shown(ID_SHOW_CONTROL_VERTICES));
    EXPECT_TRUE(Shown(ID_TOOL_PEN));
    for (int id : {ID_TOOL_ERASER, ID_TOOL_DRAG, ID_TOOL_CHANGE, ID_AUTO_CENTER, ID_FILE_NEW}) {
        EXPECT_FALSE(Shown(id));
    }
    // Radio items share an exclusive group, which is what draws them as radio marks.
    QActionGroup* toolsGroup = menus->ActionFor(ID_TOOL_PEN)->actionGroup();
    ASSERT_NE(toolsGroup, nullptr);
    EXPECT_TRUE(toolsGroup->isExclusive());
    EXPECT_EQ(menus->ActionFor(ID_TOOL_CHANGE)->actionGroup(), toolsGroup);
    EXPECT_NE(menus->ActionFor(ID_DISPLAY_EDGES)->actionGroup(), toolsGroup);
    EXPECT_EQ(menus->ActionFor(ID_SHOW_CONTROL_VERTICES)->actionGroup(), nullptr);
}

TEST_F(QtLayer, ChosenItemsMoveTheMarksThroughTheFrame) {
    Trigger(ID_TOOL_DRAG);
    EXPECT_EQ(frame->m_nTool, ID_TOOL_DRAG);
    EXPECT_TRUE(Shown(ID_TOOL_DRAG));
    EXPECT_FALSE(Shown(ID_TOOL_PEN));

    Trigger(ID_DISPLAY_EDGES);
    EXPECT_EQ(frame->m_nDisplayMode, ID_DISPLAY_EDGES);
    EXPECT_TRUE(Shown(ID_DISPLAY_EDGES));
    EXPECT_FALSE(Shown(ID_DISPLAY_SURFACES));

    Trigger(ID_SHOW_CONTROL_VERTICES);
    EXPECT_EQ(frame->m_bShowControlVertices, 0);
    EXPECT_FALSE(Shown(ID_SHOW_CONTROL_VERTICES));
    Trigger(ID_SHOW_CONTROL_VERTICES);
    EXPECT_TRUE(Shown(ID_SHOW_CONTROL_VERTICES));

    Trigger(ID_AUTO_CENTER);
    EXPECT_EQ(frame->m_bAutoCenter, 1);
    EXPECT_TRUE(Shown(ID_AUTO_CENTER));
    EXPECT_EQ(commands, 5);
}

TEST_F(QtLayer, RefusedToolKeepsTheOldMark) {
    // A closed curve waits for the next pen stroke: Eraser and Change are refused.
    frame->m_nModelState = 1;
    Trigger(ID_TOOL_CHANGE);
    EXPECT_EQ(frame->m_nTool, ID_TOOL_PEN);
    EXPECT_TRUE(Shown(ID_TOOL_PEN));
    EXPECT_FALSE(Shown(ID_TOOL_CHANGE));
    // Choosing the marked item again must not clear its mark either.
    Trigger(ID_TOOL_PEN);
    EXPECT_TRUE(Shown(ID_TOOL_PEN));
}

// The keys belong to the window, so they also act while its drawing surface has the
// focus, but give way to the mnemonics of an open menu.
TEST_F(QtLayer, AcceleratorsAreWindowWideKeysOnTheirItems) {
    const std::pair<int, const char*> keys[] = {{ID_DISPLAY_SURFACES, "1"}, {ID_DISPLAY_EDGES, "2"},
                                                {ID_TOOL_PEN, "P"},         {ID_TOOL_ERASER, "E"},
                                                {ID_TOOL_DRAG, "D"},        {ID_TOOL_CHANGE, "C"}};
    for (const auto& [id, key] : keys) {
        QAction* action = menus->ActionFor(id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(key))) << id;
        EXPECT_EQ(action->shortcutContext(), Qt::WindowShortcut) << id;
    }
    EXPECT_TRUE(menus->ActionFor(ID_FILE_NEW)->shortcut().isEmpty());
    // Keys with modifiers, Redo with two.
    EXPECT_EQ(menus->ActionFor(ID_EDIT_UNDO)->shortcuts(),
              QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
    EXPECT_EQ(menus->ActionFor(ID_EDIT_REDO)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                   QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    EXPECT_EQ(menus->ActionFor(ID_EDIT_REDO)->shortcutContext(), Qt::WindowShortcut);
}

// The core names the step in the item; a handle of another menu changes nothing.
TEST_F(QtLayer, UndoItemsShowTheTextTheCoreSets) {
    platform->SetMenuItemText(frame->m_hEditMenu, ID_EDIT_UNDO, "&Undo Cut\tCtrl+Z");
    platform->SetMenuItemText(frame->m_hViewMenu, ID_EDIT_REDO, "&Redo Cut\tCtrl+Y");
    EXPECT_EQ(menus->ActionFor(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Cut\tCtrl+Z"));
    EXPECT_EQ(menus->ActionFor(ID_EDIT_REDO)->text(), QStringLiteral("&Redo\tCtrl+Y"));
}

TEST(QtCursors, BitmapsMatchTheResourcePixelForPixel) {
    for (int id = IDC_PEN; id <= IDC_CHANGE; ++id) {
        const CursorDef* def = FindCursor(id);
        ASSERT_NE(def, nullptr);
        const QCursor cursor = MakeCursor(id);
        EXPECT_EQ(cursor.hotSpot(), QPoint(def->hotX, def->hotY)) << id;
        const QImage black = cursor.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(black.size(), QSize(32, 32));
        ASSERT_EQ(mask.size(), QSize(32, 32));
        int mismatches = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool isBlack = (def->black[y] >> (31 - x)) & 1u;
                const bool isOpaque = isBlack || ((def->white[y] >> (31 - x)) & 1u);
                // In a bitmap a set bit reads back as black (color1).
                const bool bitmapSet = qGray(black.pixel(x, y)) < 128;
                const bool maskSet = qGray(mask.pixel(x, y)) < 128;
                mismatches += (bitmapSet != isBlack) + (maskSet != isOpaque);
            }
        }
        EXPECT_EQ(mismatches, 0) << "cursor " << id;
    }
    EXPECT_EQ(MakeCursor(IDR_MAINFRAME).shape(), Qt::ArrowCursor);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
