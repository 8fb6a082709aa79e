#pragma once

#include <functional>
#include <map>
#include <vector>

class QAction;
class QActionGroup;
class QMenuBar;
class QObject;
class QWidget;

// The menu bar built from the menu resource, and the small integer handles through
// which the core addresses its menus. The core owns every check and radio mark: the
// marks shown are the ones it last set, so a command it refused keeps the old mark
// even though the toolkit ticked the item when it was chosen.
class QtMenus {
public:
    // Builds the menus from kMenuBar into `bar`, with the accelerator keys of
    // kAccelerators as window-wide shortcuts on the items of the same command.
    // `onCommand` receives the command id of every chosen item or pressed key; the
    // marks are shown again as the core keeps them when it returns.
    QtMenus(QMenuBar* bar, std::function<void(int)> onCommand);
    ~QtMenus();
    QtMenus(const QtMenus&) = delete;
    QtMenus& operator=(const QtMenus&) = delete;

    // Handle of the menu bar; the handle of the submenu at `position` of `menu`, or
    // 0 when there is none (a separator, a plain item, a position out of range).
    int MenuBarHandle() const { return 1; }
    int SubMenu(int menu, int position) const;

    // Set the core's marks. Ids that are not in `menu` or its submenus are ignored,
    // as an unknown id leaves a menu unchanged.
    void CheckRadio(int menu, int first, int last, int checkedId);
    void Check(int menu, int id, bool checked);

    // Shows the core's marks again on every markable item.
    void ReapplyMarks();

    QAction* ActionFor(int id) const;
    bool IsMarked(int id) const;

private:
    struct Menu {
        QWidget* widget = nullptr;
        std::vector<QAction*> items;  // by position, separators included
        std::vector<int> submenus;    // handle of the submenu at each position, or 0
    };

    int AddMenu(QWidget* widget);
    void Fill(int handle, const struct MenuItemDef* items, int count);
    void CommandsIn(int menu, std::vector<QAction*>& out) const;
    QAction* FindIn(int menu, int id) const;

    std::function<void(int)> m_onCommand;
    std::vector<Menu> m_menus;  // handle h is m_menus[h - 1]
    std::map<int, QAction*> m_actions;
    std::map<int, bool> m_marks;
    std::map<std::pair<int, int>, QActionGroup*> m_groupOfRange;
};
