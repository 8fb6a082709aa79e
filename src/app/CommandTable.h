#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Resources.h"

class CMainFrame;

// The commands of the program, one row each: the menus, the accelerator keys, the
// frame's command router, the replay scripts and the fuzzers all read this table.
// Adding a command is its id (Resources.h), one row in kCommands and its handler; a
// new menu is one more row in kMenus.

// Menu ids. Menus are found by id, never by their position.
constexpr int IDM_FILE = 1;
constexpr int IDM_VIEW = 2;
constexpr int IDM_DISPLAY_MODE = 3;
constexpr int IDM_TOOLS = 4;
constexpr int IDM_EDIT = 5;

struct MenuDef {
    int id;
    int parent;        // 0 for a menu of the menu bar
    const char* text;  // with its '&' mnemonic
    // The frame's field that keeps this menu's handle, for the marks it shows there;
    // null for a menu without marked items.
    int CMainFrame::*handle;
};

// How an item shows the frame's state. Radio items that follow each other in one menu
// form one group with one mark; their ids must follow each other too.
enum class CommandMark { None, Check, Radio };

// A row leaves out the fields it does not need; a row of only an id of 0 and a menu
// is a separator.
struct CommandDef {
    int id;                            // 0 for a separator
    int menu;                          // the menu the item sits in
    const char* text = nullptr;        // with its '&' mnemonic; null for a separator
    char key = 0;                      // the accelerator, a key without modifiers
    const char* scriptName = nullptr;  // "menu NAME" in replay scripts
    // The frame's handler; null for a command the platform carries out itself (Exit).
    void (*run)(CMainFrame& frame, int id) = nullptr;
    CommandMark mark = CommandMark::None;
    // Whether the mark is on, read from the frame's state.
    bool (*marked)(const CMainFrame& frame, int id) = nullptr;
    // Whether the command may run now; null for always.
    bool (*enabled)(const CMainFrame& frame, int id) = nullptr;
    // Keys with modifiers, in the toolkit's portable text ("Ctrl+Z"), separated by
    // "; " when there are several; the menu shows the first. Null for none.
    const char* shortcuts = nullptr;
};

// The rows in menu order: a menu appears where the table first uses it, a menu of the
// bar at the end of the bar and a submenu at the end of its parent as it stands then.
// So a new menu between File and View is rows between theirs.
extern const std::span<const CommandDef> kCommands;
extern const std::span<const MenuDef> kMenus;

// Null when there is no such row. FindCommand(0) finds no separator.
const CommandDef* FindCommand(int id);
const CommandDef* FindCommandByKey(char key);
const CommandDef* FindCommandByScriptName(std::string_view name);
const MenuDef* FindMenuDef(int menuId);

// The item's text as a menu shows it: the shortcut label after a tab. The second form
// shows `text` in place of the row's own (an item that names what it will do).
std::string MenuItemText(const CommandDef& command);
std::string MenuItemText(const CommandDef& command, std::string_view text);

// The file dialog a command shows; a replay script gives its answer after the
// command's name ("menu saveas PATH").
enum class CommandDialog { None, Save, Open };
CommandDialog DialogOf(int id);

// One entry of a menu: a command, a separator (a command row without text) or, with
// `command` null, the submenu `submenu`.
struct MenuEntry {
    const CommandDef* command;
    int submenu;
};

// The entries of a menu (0 for the menu bar, whose entries are all submenus) in the
// order the menus show them.
std::vector<MenuEntry> MenuEntries(int menuId);

// The radio group a Radio row belongs to: its first and last row.
std::span<const CommandDef> RadioGroupOf(const CommandDef& command);

// True when the row says the command may run in the frame's present state.
bool CommandEnabled(const CMainFrame& frame, const CommandDef& command);
