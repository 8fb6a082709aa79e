#include "app/CommandTable.h"

#include <map>
#include <type_traits>

#include "app/MainFrame.h"

namespace {

// A handler with the command id or without it, called as the table's handler.
template <auto Handler>
void Run(CMainFrame& frame, int id) {
    if constexpr (std::is_invocable_v<decltype(Handler), CMainFrame&, int>)
        (frame.*Handler)(id);
    else
        (frame.*Handler)();
}

bool DisplayModeIs(const CMainFrame& frame, int id) { return frame.m_nDisplayMode == id; }
bool ToolIs(const CMainFrame& frame, int id) { return frame.m_nTool == id; }
bool ShowingControlVertices(const CMainFrame& frame, int) {
    return frame.m_bShowControlVertices == 1;
}
bool AutoCentering(const CMainFrame& frame, int) { return frame.m_bAutoCenter == 1; }
// Not while a button is held: the gesture's records would be taken from under it.
bool CanUndo(const CMainFrame& frame, int) {
    return frame.m_nDragState == kDragNone && frame.m_history.UndoCount() > 0;
}
bool CanRedo(const CMainFrame& frame, int) {
    return frame.m_nDragState == kDragNone && frame.m_history.RedoCount() > 0;
}

constexpr CommandMark kNone = CommandMark::None;
constexpr CommandMark kCheck = CommandMark::Check;
constexpr CommandMark kRadio = CommandMark::Radio;
constexpr int kSeparator = 0;

constexpr MenuDef kMenuRows[] = {
    {IDM_FILE, 0, "&File", nullptr},
    {IDM_EDIT, 0, "&Edit", &CMainFrame::m_hEditMenu},
    {IDM_VIEW, 0, "&View", &CMainFrame::m_hViewMenu},
    {IDM_DISPLAY_MODE, IDM_VIEW, "&Display Mode", &CMainFrame::m_hDisplayMenu},
    {IDM_TOOLS, 0, "&Tools", &CMainFrame::m_hToolsMenu},
};

// One row a line, in menu order. A row leaves out what it does not need; left out,
// a command has no mark and may always run.
// clang-format off
constexpr CommandDef kCommandRows[] = {
//   id                        menu              text                      key  script        handler                                   mark    marked                  enabled  shortcuts
    {ID_FILE_NEW,              IDM_FILE,         "&New",                   0,   "new",        Run<&CMainFrame::OnFileNew>},
    {ID_FILE_OPEN,             IDM_FILE,         "&Open...",               0,   "open",       Run<&CMainFrame::OnFileOpen>,             kNone,  nullptr,                nullptr, "Ctrl+O"},
    {ID_FILE_SAVE,             IDM_FILE,         "Save &Drawing",          0,   "save",       Run<&CMainFrame::OnFileSave>,             kNone,  nullptr,                nullptr, "Ctrl+S"},
    {ID_FILE_SAVE_DRAWING_AS,  IDM_FILE,         "Save Drawing &As...",    0,   "savedrawingas", Run<&CMainFrame::OnFileSaveDrawingAs>},
    {kSeparator,               IDM_FILE},
    {ID_SAVE_AS,               IDM_FILE,         "&Save As...",            0,   "saveas",     Run<&CMainFrame::OnSaveAs>},
    {kSeparator,               IDM_FILE},
    // The platform closes the window; a replay script stops there.
    {ID_APP_EXIT,              IDM_FILE,         "E&xit",                  0,   "exit",       nullptr},
    {ID_EDIT_UNDO,             IDM_EDIT,         "&Undo",                  0,   "undo",       Run<&CMainFrame::OnUndo>,                 kNone,  nullptr,                CanUndo, "Ctrl+Z"},
    {ID_EDIT_REDO,             IDM_EDIT,         "&Redo",                  0,   "redo",       Run<&CMainFrame::OnRedo>,                 kNone,  nullptr,                CanRedo, "Ctrl+Y; Ctrl+Shift+Z"},
    {ID_VIEW_TOP,              IDM_VIEW,         "&Top",                   0,   "top",        Run<&CMainFrame::OnViewTop>},
    {ID_VIEW_BOTTOM,           IDM_VIEW,         "&Bottom",                0,   "bottom",     Run<&CMainFrame::OnViewBottom>},
    {ID_VIEW_SIDE,             IDM_VIEW,         "&Side",                  0,   "side",       Run<&CMainFrame::OnViewSide>},
    {kSeparator,               IDM_VIEW},
    {ID_AUTO_CENTER,           IDM_VIEW,         "Auto &Center",           0,   "autocenter", Run<&CMainFrame::OnAutoCenter>,           kCheck, AutoCentering},
    {kSeparator,               IDM_VIEW},
    {ID_DISPLAY_SURFACES,      IDM_DISPLAY_MODE, "&Surfaces",              '1', "surfaces",   Run<&CMainFrame::OnDisplayMode>,          kRadio, DisplayModeIs},
    {ID_DISPLAY_EDGES,         IDM_DISPLAY_MODE, "&Edges",                 '2', "edges",      Run<&CMainFrame::OnDisplayMode>,          kRadio, DisplayModeIs},
    {kSeparator,               IDM_DISPLAY_MODE},
    {ID_SHOW_CONTROL_VERTICES, IDM_DISPLAY_MODE, "Show Control &Vertices", 0,   "vertices",   Run<&CMainFrame::OnShowControlVertices>,  kCheck, ShowingControlVertices},
    {ID_TOOL_PEN,              IDM_TOOLS,        "&Pen Tool",              'P', "pen",        Run<&CMainFrame::OnTool>,                 kRadio, ToolIs},
    {ID_TOOL_ERASER,           IDM_TOOLS,        "&Eraser Tool",           'E', "eraser",     Run<&CMainFrame::OnTool>,                 kRadio, ToolIs},
    {ID_TOOL_DRAG,             IDM_TOOLS,        "&Drag Tool",             'D', "drag",       Run<&CMainFrame::OnTool>,                 kRadio, ToolIs},
    {ID_TOOL_CHANGE,           IDM_TOOLS,        "&Change Tool",           'C', "change",     Run<&CMainFrame::OnTool>,                 kRadio, ToolIs},
};
// clang-format on

bool InSameRadioGroup(const CommandDef& a, const CommandDef& b) {
    return a.mark == CommandMark::Radio && b.mark == CommandMark::Radio && a.menu == b.menu;
}

}  // namespace

const std::span<const CommandDef> kCommands(kCommandRows);
const std::span<const MenuDef> kMenus(kMenuRows);

const CommandDef* FindCommand(int id) {
    if (id == 0) return nullptr;
    for (const CommandDef& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

const CommandDef* FindCommandByKey(char key) {
    if (key == 0) return nullptr;
    for (const CommandDef& command : kCommands)
        if (command.key == key) return &command;
    return nullptr;
}

const CommandDef* FindCommandByScriptName(std::string_view name) {
    for (const CommandDef& command : kCommands)
        if (command.scriptName != nullptr && name == command.scriptName) return &command;
    return nullptr;
}

const MenuDef* FindMenuDef(int menuId) {
    for (const MenuDef& menu : kMenus)
        if (menu.id == menuId) return &menu;
    return nullptr;
}

std::string MenuItemText(const CommandDef& command) {
    return MenuItemText(command, command.text != nullptr ? command.text : "");
}

std::string MenuItemText(const CommandDef& command, std::string_view text) {
    std::string shown(text);
    if (command.key != 0) {
        (shown += '\t') += command.key;
    } else if (command.shortcuts != nullptr) {
        const std::string_view shortcuts = command.shortcuts;
        (shown += '\t') += shortcuts.substr(0, shortcuts.find(';'));
    }
    return shown;
}

CommandDialog DialogOf(int id) {
    switch (id) {
    case ID_SAVE_AS:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_DRAWING_AS:
        return CommandDialog::Save;
    case ID_FILE_OPEN:
        return CommandDialog::Open;
    default:
        return CommandDialog::None;
    }
}

std::vector<MenuEntry> MenuEntries(int menuId) {
    std::map<int, std::vector<MenuEntry>> entries;
    // Places a menu (its parents first) where the table first uses it.
    const auto place = [&entries](int id, const auto& self) -> void {
        if (entries.count(id) != 0) return;
        const MenuDef* menu = FindMenuDef(id);
        const int parent = menu != nullptr ? menu->parent : 0;
        if (parent != 0) self(parent, self);
        entries[parent].push_back({nullptr, id});
        entries[id];
    };
    for (const CommandDef& command : kCommands) {
        place(command.menu, place);
        entries[command.menu].push_back({&command, 0});
    }
    return entries[menuId];
}

std::span<const CommandDef> RadioGroupOf(const CommandDef& command) {
    const CommandDef* first = &command;
    const CommandDef* last = &command;
    while (first != kCommands.data() && InSameRadioGroup(first[-1], command)) --first;
    while (last + 1 != kCommands.data() + kCommands.size() && InSameRadioGroup(last[1], command))
        ++last;
    return {first, last + 1};
}

bool CommandEnabled(const CMainFrame& frame, const CommandDef& command) {
    return command.enabled == nullptr || command.enabled(frame, command.id);
}
