#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QObject;
class QWidget;
struct CommandDef;

// The menu bar built from the command table, and the small integer handles through
// which the core addresses its menus. The core owns every check and radio mark: the
// marks shown are the ones it last set, so a command it refused keeps the old mark
// even though the toolkit ticked the item when it was chosen.
class QtMenus {
public:
    // Builds the menus of the command table into `bar`, every command with its
    // accelerator key as a window-wide shortcut. `onCommand` receives the command id
    // of every chosen item or pressed key; the marks are shown again as the core
    // keeps them when it returns. `enabled`, when given, says whether a command may
    // run now: an open menu greys the items that may not.
    QtMenus(QMenuBar* bar, std::function<void(int)> onCommand,
            std::function<bool(int)> enabled = {});
    ~QtMenus();
    QtMenus(const QtMenus&) = delete;
    QtMenus& operator=(const QtMenus&) = delete;

    // The handle of the menu with this id (IDM_...), or 0 when there is none.
    int FindMenu(int menuId) const;

    // Set the core's marks. Ids that are not in `menu` or its submenus are ignored,
    // as an unknown id leaves a menu unchanged.
    void CheckRadio(int menu, int first, int last, int checkedId);
    void Check(int menu, int id, bool checked);
    // Shows `text` (the "\t" shortcut label included) on the item; as with the marks,
    // an id not in `menu` is ignored.
    void SetText(int menu, int id, const std::string& text);

    // Shows the core's marks again on every markable item.
    void ReapplyMarks();

    QAction* ActionFor(int id) const;
    bool IsMarked(int id) const;

private:
    struct Menu {
        QWidget* widget = nullptr;
        std::vector<QAction*> items;  // by position, separators included
        std::vector<int> submenus;    // handle of the submenu at each position, or 0
        std::vector<int> commands;    // command id at each position, or 0
    };

    int AddMenu(QWidget* widget);
    void Fill(int handle, int menuId);
    QAction* AddCommand(QWidget* widget, const CommandDef& command);
    void GreyWhileOpen(QMenu* menu, int handle);
    void CommandsIn(int menu, std::vector<QAction*>& out) const;
    QAction* FindIn(int menu, int id) const;

    std::function<void(int)> m_onCommand;
    std::function<bool(int)> m_enabled;
    std::vector<Menu> m_menus;  // handle h is m_menus[h - 1]; 1 is the menu bar
    std::map<int, int> m_handleOfMenu;
    std::map<int, QAction*> m_actions;
    std::map<int, bool> m_marks;
    std::map<std::pair<int, int>, QActionGroup*> m_groupOfRange;
};
