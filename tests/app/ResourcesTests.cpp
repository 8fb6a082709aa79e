#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/Resources.h"

namespace {

const MenuItemDef& Item(const MenuItemDef* menu, int count, int position) {
    EXPECT_LT(position, count);
    return menu[position];
}

void CollectCommands(const MenuItemDef* menu, int count, std::map<int, const MenuItemDef*>& out,
                     int& duplicates) {
    for (int i = 0; i < count; ++i) {
        const MenuItemDef& item = menu[i];
        if (item.submenu != nullptr) {
            CollectCommands(item.submenu, item.submenuCount, out, duplicates);
        } else if (item.text != nullptr) {
            duplicates += out.count(item.id) ? 1 : 0;
            out[item.id] = &item;
        }
    }
}

bool Pixel(const uint32_t* rows, int x, int y) { return (rows[y] >> (31 - x)) & 1u; }

}  // namespace

TEST(MenuResource, BarAndSubmenuPositionsTheFrameReliesOn) {
    ASSERT_EQ(kMenuBarCount, 3);
    EXPECT_STREQ(kMenuBar[0].text, "&File");
    EXPECT_STREQ(kMenuBar[1].text, "&View");
    EXPECT_STREQ(kMenuBar[2].text, "&Tools");
    // The frame finds the Display Mode submenu by position 6 of the View menu.
    const MenuItemDef& view = kMenuBar[1];
    const MenuItemDef& display = Item(view.submenu, view.submenuCount, 6);
    EXPECT_STREQ(display.text, "&Display Mode");
    ASSERT_NE(display.submenu, nullptr);
    EXPECT_EQ(display.submenuCount, 4);
    EXPECT_EQ(display.submenu[0].id, ID_DISPLAY_SURFACES);
    EXPECT_EQ(display.submenu[1].id, ID_DISPLAY_EDGES);
    EXPECT_EQ(display.submenu[2].text, nullptr);
    EXPECT_STREQ(display.submenu[3].text, "Show Control &Vertices");
}

TEST(MenuResource, ItemsInOrderWithSeparators) {
    const MenuItemDef* file = kMenuBar[0].submenu;
    ASSERT_EQ(kMenuBar[0].submenuCount, 5);
    EXPECT_STREQ(file[0].text, "&New");
    EXPECT_EQ(file[0].id, ID_FILE_NEW);
    EXPECT_EQ(file[1].text, nullptr);
    EXPECT_STREQ(file[2].text, "&Save As...");
    EXPECT_EQ(file[2].id, ID_SAVE_AS);
    EXPECT_EQ(file[3].text, nullptr);
    EXPECT_STREQ(file[4].text, "E&xit");
    EXPECT_EQ(file[4].id, ID_APP_EXIT);

    const MenuItemDef* view = kMenuBar[1].submenu;
    ASSERT_EQ(kMenuBar[1].submenuCount, 7);
    const std::vector<std::pair<const char*, int>> expectedView = {
        {"&Top", ID_VIEW_TOP}, {"&Bottom", ID_VIEW_BOTTOM},      {"&Side", ID_VIEW_SIDE},
        {nullptr, 0},          {"Auto &Center", ID_AUTO_CENTER}, {nullptr, 0}};
    for (size_t i = 0; i < expectedView.size(); ++i) {
        if (expectedView[i].first == nullptr) {
            EXPECT_EQ(view[i].text, nullptr) << "position " << i;
        } else {
            EXPECT_STREQ(view[i].text, expectedView[i].first);
            EXPECT_EQ(view[i].id, expectedView[i].second);
        }
    }

    const MenuItemDef* tools = kMenuBar[2].submenu;
    ASSERT_EQ(kMenuBar[2].submenuCount, 4);
    EXPECT_STREQ(tools[0].text, "&Pen Tool\tP");
    EXPECT_STREQ(tools[1].text, "&Eraser Tool\tE");
    EXPECT_STREQ(tools[2].text, "&Drag Tool\tD");
    EXPECT_STREQ(tools[3].text, "&Change Tool\tC");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tools[i].id, ID_TOOL_PEN + i);
    }
}

TEST(MenuResource, EveryCommandOnceAndOnlyControlVerticesChecked) {
    std::map<int, const MenuItemDef*> commands;
    int duplicates = 0;
    CollectCommands(kMenuBar, kMenuBarCount, commands, duplicates);
    EXPECT_EQ(duplicates, 0);
    const std::set<int> expected = {ID_DISPLAY_SURFACES, ID_DISPLAY_EDGES, ID_SHOW_CONTROL_VERTICES,
                                    ID_TOOL_PEN,         ID_TOOL_ERASER,   ID_TOOL_DRAG,
                                    ID_TOOL_CHANGE,      ID_SAVE_AS,       ID_VIEW_TOP,
                                    ID_VIEW_BOTTOM,      ID_VIEW_SIDE,     ID_AUTO_CENTER,
                                    ID_FILE_NEW,         ID_APP_EXIT};
    std::set<int> found;
    for (const auto& entry : commands) {
        found.insert(entry.first);
        EXPECT_EQ(entry.second->checked, entry.first == ID_SHOW_CONTROL_VERTICES) << entry.first;
    }
    EXPECT_EQ(found, expected);
}

TEST(AcceleratorResource, SixKeysAndTheMenuShowsEachOne) {
    ASSERT_EQ(kAcceleratorCount, 6);
    const std::map<char, int> expected = {{'1', ID_DISPLAY_SURFACES}, {'2', ID_DISPLAY_EDGES},
                                          {'P', ID_TOOL_PEN},         {'E', ID_TOOL_ERASER},
                                          {'D', ID_TOOL_DRAG},        {'C', ID_TOOL_CHANGE}};
    std::map<int, const MenuItemDef*> commands;
    int duplicates = 0;
    CollectCommands(kMenuBar, kMenuBarCount, commands, duplicates);
    std::map<char, int> actual;
    for (int i = 0; i < kAcceleratorCount; ++i) {
        actual[kAccelerators[i].key] = kAccelerators[i].command;
        // The label after the tab is what the user is told to press.
        ASSERT_TRUE(commands.count(kAccelerators[i].command));
        const std::string text = commands[kAccelerators[i].command]->text;
        EXPECT_EQ(text.substr(text.find('\t') + 1), std::string(1, kAccelerators[i].key));
    }
    EXPECT_EQ(actual, expected);
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
