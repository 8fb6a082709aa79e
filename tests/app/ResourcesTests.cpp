#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "app/Resources.h"

namespace {

// The menus as the table lays them out, one entry a line, indented by depth: a
// submenu by its text, a separator as "-", a command as its text and id.
std::string Outline(int menu, const std::string& indent) {
    std::string text;
    for (const MenuEntry& entry : MenuEntries(menu)) {
        if (entry.command == nullptr) {
            text += indent + FindMenuDef(entry.submenu)->text + "\n";
            text += Outline(entry.submenu, indent + "  ");
        } else if (entry.command->text == nullptr) {
            text += indent + "-\n";
        } else {
            text += indent + MenuItemText(*entry.command) + " " +
                    std::to_string(entry.command->id) + "\n";
        }
    }
    return text;
}

bool Pixel(const uint32_t* rows, int x, int y) { return (rows[y] >> (31 - x)) & 1u; }

}  // namespace

// Texts, mnemonics, shortcut labels, ids, order and separators, as the user has always
// seen them, with the drawing commands after New.
TEST(CommandTable, MenusShowEveryItemInItsPlace) {
    EXPECT_EQ(Outline(0, ""),
              "&File\n"
              "  &New 57600\n"
              "  &Open...\tCtrl+O 57601\n"
              "  Save &Drawing\tCtrl+S 57603\n"
              "  Save Drawing &As... 57604\n"
              "  -\n"
              "  &Save As... 32778\n"
              "  -\n"
              "  E&xit 57665\n"
              "&Edit\n"
              "  &Undo\tCtrl+Z 57643\n"
              "  &Redo\tCtrl+Y 57644\n"
              "&View\n"
              "  &Top 32779\n"
              "  &Bottom 32780\n"
              "  &Side 32781\n"
              "  -\n"
              "  Auto &Center 32782\n"
              "  -\n"
              "  &Display Mode\n"
              "    &Surfaces\t1 32771\n"
              "    &Edges\t2 32772\n"
              "    -\n"
              "    Show Control &Vertices 32773\n"
              "&Tools\n"
              "  &Pen Tool\tP 32774\n"
              "  &Eraser Tool\tE 32775\n"
              "  &Drag Tool\tD 32776\n"
              "  &Change Tool\tC 32777\n");
}

TEST(CommandTable, EachCommandOnceAndEveryKeyAndScriptNameLeadsToOne) {
    std::set<int> ids;
    std::set<std::string> names;
    std::map<char, int> keys;
    std::map<std::string, int> shortcuts;
    for (const CommandDef& command : kCommands) {
        if (command.text == nullptr) continue;
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        ASSERT_NE(command.scriptName, nullptr) << command.id;
        EXPECT_TRUE(names.insert(command.scriptName).second) << command.scriptName;
        EXPECT_EQ(FindCommandByScriptName(command.scriptName), &command);
        EXPECT_EQ(FindCommand(command.id), &command);
        // Only Exit is left to the platform.
        EXPECT_EQ(command.run == nullptr, command.id == ID_APP_EXIT) << command.id;
        if (command.key != 0) {
            keys[command.key] = command.id;
            EXPECT_EQ(FindCommandByKey(command.key), &command);
        }
        if (command.shortcuts != nullptr) {
            // A row has plain keys or keys with modifiers, never both.
            EXPECT_EQ(command.key, 0) << command.id;
            shortcuts[command.shortcuts] = command.id;
        }
    }
    EXPECT_EQ(ids.size(), 19u);
    const std::map<std::string, int> expectedShortcuts = {{"Ctrl+O", ID_FILE_OPEN},
                                                          {"Ctrl+S", ID_FILE_SAVE},
                                                          {"Ctrl+Z", ID_EDIT_UNDO},
                                                          {"Ctrl+Y; Ctrl+Shift+Z", ID_EDIT_REDO}};
    EXPECT_EQ(shortcuts, expectedShortcuts);
    const std::map<char, int> expected = {{'1', ID_DISPLAY_SURFACES}, {'2', ID_DISPLAY_EDGES},
                                          {'P', ID_TOOL_PEN},         {'E', ID_TOOL_ERASER},
                                          {'D', ID_TOOL_DRAG},        {'C', ID_TOOL_CHANGE}};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(FindCommand(0), nullptr);
    EXPECT_EQ(FindCommandByKey('X'), nullptr);
    EXPECT_EQ(FindCommandByScriptName("frobnicate"), nullptr);
}

// The frame sends a radio group's marks as one range of ids to the menu whose handle it
// keeps; a group whose ids had a gap, or a marked item in a menu whose handle the frame
// does not keep, would put marks on the wrong items or nowhere.
TEST(CommandTable, MarksFormRadioGroupsOfConsecutiveIdsInMenusTheFrameKnows) {
    std::vector<std::vector<int>> radioGroups;
    std::set<int> checks;
    for (const CommandDef& command : kCommands) {
        if (command.mark == CommandMark::None) continue;
        EXPECT_NE(command.marked, nullptr) << command.id;
        const MenuDef* menu = FindMenuDef(command.menu);
        ASSERT_NE(menu, nullptr) << command.id;
        EXPECT_NE(menu->handle, nullptr) << command.id;
        if (command.mark == CommandMark::Check) {
            checks.insert(command.id);
            continue;
        }
        const std::span<const CommandDef> group = RadioGroupOf(command);
        if (group.data() != &command) continue;
        radioGroups.emplace_back();
        for (const CommandDef& item : group) {
            EXPECT_EQ(item.id, group.front().id + static_cast<int>(radioGroups.back().size()));
            radioGroups.back().push_back(item.id);
        }
    }
    EXPECT_EQ(radioGroups, (std::vector<std::vector<int>>{
                               {ID_DISPLAY_SURFACES, ID_DISPLAY_EDGES},
                               {ID_TOOL_PEN, ID_TOOL_ERASER, ID_TOOL_DRAG, ID_TOOL_CHANGE}}));
    EXPECT_EQ(checks, (std::set<int>{ID_SHOW_CONTROL_VERTICES, ID_AUTO_CENTER}));
}

TEST(CursorResource, FourCursorsWithTheirHotSpotsOnThePicture) {
    const std::map<int, std::pair<int, int>> hotSpots = {
        {IDC_PEN, {7, 23}}, {IDC_ERASER, {9, 21}}, {IDC_DRAG, {7, 7}}, {IDC_CHANGE, {8, 8}}};
    std::vector<const CursorDef*> seen;
    for (const auto& [id, hot] : hotSpots) {
        const CursorDef* cursor = FindCursor(id);
        ASSERT_NE(cursor, nullptr) << id;
        EXPECT_EQ(cursor->id, id);
        EXPECT_EQ(cursor->hotX, hot.first);
        EXPECT_EQ(cursor->hotY, hot.second);
        // The hot spot is the point that acts: it must be drawn in black, not left in
        // the transparent part beside the picture.
        EXPECT_TRUE(Pixel(cursor->black, hot.first, hot.second)) << id;
        int blackCount = 0;
        for (int y = 0; y < 32; ++y) {
            EXPECT_EQ(cursor->black[y] & cursor->white[y], 0u) << "row " << y << " of " << id;
            for (int x = 0; x < 32; ++x) {
                blackCount += Pixel(cursor->black, x, y) ? 1 : 0;
            }
        }
        EXPECT_GT(blackCount, 30) << id;
        for (const CursorDef* other : seen) {
            EXPECT_FALSE(std::equal(std::begin(other->black), std::end(other->black),
                                    std::begin(cursor->black)));
        }
        seen.push_back(cursor);
    }
    EXPECT_EQ(FindCursor(IDR_MAINFRAME), nullptr);
}

TEST(CursorResource, EveryBlackEdgeHasAWhiteHalo) {
    // A black pixel next to a transparent one would vanish against a dark model.
    for (int id = IDC_PEN; id <= IDC_CHANGE; ++id) {
        const CursorDef* cursor = FindCursor(id);
        ASSERT_NE(cursor, nullptr);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (!Pixel(cursor->black, x, y)) {
                    continue;
                }
                const int dx[4] = {1, -1, 0, 0};
                const int dy[4] = {0, 0, 1, -1};
                for (int k = 0; k < 4; ++k) {
                    const int nx = x + dx[k];
                    const int ny = y + dy[k];
                    ASSERT_TRUE(nx >= 0 && nx < 32 && ny >= 0 && ny < 32) << id;
                    EXPECT_TRUE(Pixel(cursor->black, nx, ny) || Pixel(cursor->white, nx, ny))
                        << "cursor " << id << " at " << x << "," << y;
                }
            }
        }
    }
}

class AppIcon : public ::testing::TestWithParam<int> {};

TEST_P(AppIcon, TransparentCornersShadedBodyAndABlueCurve) {
    const int size = GetParam();
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0xDEADBEEFu);
    DrawAppIcon(size, pixels.data());
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * size + x]; };
    const auto alpha = [](uint32_t p) { return p >> 24; };
    const auto brightness = [](uint32_t p) {
        return ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255);
    };

    EXPECT_EQ(alpha(at(0, 0)), 0u);
    EXPECT_EQ(alpha(at(size - 1, 0)), 0u);
    EXPECT_EQ(alpha(at(0, size - 1)), 0u);
    EXPECT_EQ(alpha(at(size - 1, size - 1)), 0u);
    EXPECT_EQ(alpha(at(size / 2, size / 2)), 255u);

    int curve = 0;
    uint32_t brightest = 0;
    uint32_t darkest = 255 * 3;
    // Mean brightness of the body (curve excluded) in the upper-left and lower-right
    // quarters of the icon.
    double quarterSum[2] = {0, 0};
    int quarterCount[2] = {0, 0};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const uint32_t p = at(x, y);
            ASSERT_NE(p, 0xDEADBEEFu);
            if (alpha(p) < 255) {
                continue;
            }
            const uint32_t r = (p >> 16) & 255;
            const uint32_t g = (p >> 8) & 255;
            const uint32_t b = p & 255;
            if (b > 200 && r < 80 && g < 80) {
                ++curve;
                continue;
            }
            brightest = std::max(brightest, brightness(p));
            darkest = std::min(darkest, brightness(p));
            const int quarter = (x < size / 2 && y < size / 2)     ? 0
                                : (x >= size / 2 && y >= size / 2) ? 1
                                                                   : -1;
            if (quarter >= 0) {
                quarterSum[quarter] += brightness(p);
                ++quarterCount[quarter];
            }
        }
    }
    EXPECT_GE(curve, size / 4);
    // The light comes from the upper left, so the shading must span a real range and
    // the upper left of the body must be the lit side.
    EXPECT_GT(brightest, darkest + 200);
    ASSERT_GT(quarterCount[0], 0);
    ASSERT_GT(quarterCount[1], 0);
    EXPECT_GT(quarterSum[0] / quarterCount[0], quarterSum[1] / quarterCount[1] + 30.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AppIcon, ::testing::Values(16, 24, 32, 48, 256));

TEST(AppIconEdge, NonPositiveSizeWritesNothing) {
    uint32_t guard = 0x12345678u;
    DrawAppIcon(0, &guard);
    DrawAppIcon(-4, &guard);
    EXPECT_EQ(guard, 0x12345678u);
}
