#include "platform/QtMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/CommandTable.h"

QtMenus::QtMenus(QMenuBar* bar, std::function<void(int)> onCommand,
                 std::function<bool(int)> enabled)
    : m_onCommand(std::move(onCommand)), m_enabled(std::move(enabled)) {
    Fill(AddMenu(bar), 0);
}

QtMenus::~QtMenus() = default;

int QtMenus::AddMenu(QWidget* widget) {
    m_menus.push_back(Menu{widget, {}, {}, {}});
    return static_cast<int>(m_menus.size());
}

void QtMenus::Fill(int handle, int menuId) {
    QWidget* widget = m_menus[handle - 1].widget;
    for (const MenuEntry& entry : MenuEntries(menuId)) {
        QAction* action = nullptr;
        int submenuHandle = 0;
        if (entry.command == nullptr) {
            const MenuDef* def = FindMenuDef(entry.submenu);
            auto* menu = new QMenu(QString::fromUtf8(def->text), widget);
            action = menu->menuAction();
            widget->addAction(action);
            submenuHandle = AddMenu(menu);
            m_handleOfMenu[entry.submenu] = submenuHandle;
            GreyWhileOpen(menu, submenuHandle);
            Fill(submenuHandle, entry.submenu);
        } else if (entry.command->text == nullptr) {
            action = new QAction(widget);
            action->setSeparator(true);
            widget->addAction(action);
        } else {
            action = AddCommand(widget, *entry.command);
        }
        Menu& filled = m_menus[handle - 1];
        filled.items.push_back(action);
        filled.submenus.push_back(submenuHandle);
        filled.commands.push_back(entry.command != nullptr ? entry.command->id : 0);
    }
}

QAction* QtMenus::AddCommand(QWidget* widget, const CommandDef& command) {
    const int id = command.id;
    // The text keeps its "\t" shortcut label; the menu shows it at the right.
    auto* action = new QAction(QString::fromStdString(MenuItemText(command)), widget);
    widget->addAction(action);
    m_actions[id] = action;
    if (command.key != 0 || command.shortcuts != nullptr) {
        action->setShortcuts(
            command.key != 0
                ? QList<QKeySequence>{QKeySequence(QChar(command.key))}
                : QKeySequence::listFromString(QString::fromLatin1(command.shortcuts)));
        // Window-wide, not application-wide: the keys act while the drawing surface,
        // a native window of its own inside this one, holds the focus, but not while
        // a menu is open, where the same letters are the items' mnemonics (D for
        // "&Display Mode", E for "&Edges", C for "Auto &Center").
        action->setShortcutContext(Qt::WindowShortcut);
    }
    // The toolkit has already ticked a checkable item; once the command ran, the item
    // shows the mark the core keeps, which stays put when the core refused the command.
    QObject::connect(action, &QAction::triggered, action, [this, id] {
        m_onCommand(id);
        ReapplyMarks();
    });
    return action;
}

void QtMenus::GreyWhileOpen(QMenu* menu, int handle) {
    if (!m_enabled) return;
    // Items are greyed only while their menu is open: a disabled action would also
    // swallow its key, and the state that decides can change without any menu being
    // opened. A key for a command that may not run is refused by the core.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, handle] {
        const Menu& open = m_menus[handle - 1];
        for (size_t i = 0; i < open.items.size(); ++i)
            if (open.commands[i] != 0) open.items[i]->setEnabled(m_enabled(open.commands[i]));
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [this, handle] {
        for (QAction* action : m_menus[handle - 1].items) action->setEnabled(true);
    });
}

int QtMenus::FindMenu(int menuId) const {
    const auto it = m_handleOfMenu.find(menuId);
    return it == m_handleOfMenu.end() ? 0 : it->second;
}

void QtMenus::CommandsIn(int menu, std::vector<QAction*>& out) const {
    if (menu < 1 || menu > static_cast<int>(m_menus.size())) {
        return;
    }
    const Menu& m = m_menus[menu - 1];
    for (size_t i = 0; i < m.items.size(); ++i) {
        if (m.submenus[i] != 0) {
            CommandsIn(m.submenus[i], out);
        } else if (!m.items[i]->isSeparator()) {
            out.push_back(m.items[i]);
        }
    }
}

QAction* QtMenus::FindIn(int menu, int id) const {
    QAction* action = ActionFor(id);
    if (action == nullptr) {
        return nullptr;
    }
    std::vector<QAction*> commands;
    CommandsIn(menu, commands);
    for (QAction* candidate : commands) {
        if (candidate == action) {
            return action;
        }
    }
    return nullptr;
}

void QtMenus::CheckRadio(int menu, int first, int last, int checkedId) {
    // Items marked as one range share an exclusive group, which is what makes the
    // style draw them as radio items.
    if (menu < 1 || menu > static_cast<int>(m_menus.size())) {
        return;
    }
    QActionGroup*& group = m_groupOfRange[{first, last}];
    if (group == nullptr) {
        group = new QActionGroup(m_menus[menu - 1].widget);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    for (int id = first; id <= last; ++id) {
        QAction* action = FindIn(menu, id);
        if (action == nullptr) {
            continue;
        }
        if (action->actionGroup() != group) {
            group->addAction(action);
        }
        action->setCheckable(true);
        m_marks[id] = (id == checkedId);
    }
    ReapplyMarks();
}

void QtMenus::Check(int menu, int id, bool checked) {
    QAction* action = FindIn(menu, id);
    if (action == nullptr) {
        return;
    }
    action->setCheckable(true);
    m_marks[id] = checked;
    action->setChecked(checked);
}

void QtMenus::ReapplyMarks() {
    // Clear before set, so an exclusive group never sees two marks at once.
    for (const auto& [id, marked] : m_marks) {
        if (!marked) {
            m_actions[id]->setChecked(false);
        }
    }
    for (const auto& [id, marked] : m_marks) {
        if (marked) {
            m_actions[id]->setChecked(true);
        }
    }
}

void QtMenus::SetText(int menu, int id, const std::string& text) {
    QAction* action = FindIn(menu, id);
    if (action != nullptr) action->setText(QString::fromStdString(text));
}

QAction* QtMenus::ActionFor(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool QtMenus::IsMarked(int id) const {
    const auto it = m_marks.find(id);
    return it != m_marks.end() && it->second;
}
