#include "platform/QtMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/Resources.h"

QtMenus::QtMenus(QMenuBar* bar, std::function<void(int)> onCommand)
    : m_onCommand(std::move(onCommand)) {
    const int handle = AddMenu(bar);
    Fill(handle, kMenuBar, kMenuBarCount);

    for (int i = 0; i < kAcceleratorCount; ++i) {
        QAction* action = ActionFor(kAccelerators[i].command);
        if (action == nullptr) {
            continue;
        }
        action->setShortcut(QKeySequence(QChar(kAccelerators[i].key)));
        // Window-wide, not application-wide: the keys act while the drawing surface,
        // a native window of its own inside this one, holds the focus, but not while
        // a menu is open, where the same letters are the items' mnemonics (D for
        // "&Display Mode", E for "&Edges", C for "Auto &Center").
        action->setShortcutContext(Qt::WindowShortcut);
    }
}

QtMenus::~QtMenus() = default;

int QtMenus::AddMenu(QWidget* widget) {
    m_menus.push_back(Menu{widget, {}, {}});
    return static_cast<int>(m_menus.size());
}

void QtMenus::Fill(int handle, const MenuItemDef* items, int count) {
    QWidget* widget = m_menus[handle - 1].widget;
    for (int i = 0; i < count; ++i) {
        const MenuItemDef& item = items[i];
        QAction* action = nullptr;
        int submenuHandle = 0;
        if (item.text == nullptr) {
            action = new QAction(widget);
            action->setSeparator(true);
            widget->addAction(action);
        } else if (item.submenu != nullptr) {
            auto* menu = new QMenu(QString::fromUtf8(item.text), widget);
            action = menu->menuAction();
            widget->addAction(action);
            submenuHandle = AddMenu(menu);
            Fill(submenuHandle, item.submenu, item.submenuCount);
        } else {
            // The text keeps its "\t" shortcut label; the menu shows it at the right.
            action = new QAction(QString::fromUtf8(item.text), widget);
            widget->addAction(action);
            const int id = item.id;
            m_actions[id] = action;
            if (item.checked) {
                action->setCheckable(true);
                action->setChecked(true);
                m_marks[id] = true;
            }
            // The toolkit has already ticked a checkable item; once the command ran,
            // the item shows the mark the core keeps, which stays put when the core
            // refused the command.
            QObject::connect(action, &QAction::triggered, action, [this, id] {
                m_onCommand(id);
                ReapplyMarks();
            });
        }
        m_menus[handle - 1].items.push_back(action);
        m_menus[handle - 1].submenus.push_back(submenuHandle);
    }
}

int QtMenus::SubMenu(int menu, int position) const {
    if (menu < 1 || menu > static_cast<int>(m_menus.size())) {
        return 0;
    }
    const Menu& m = m_menus[menu - 1];
    if (position < 0 || position >= static_cast<int>(m.submenus.size())) {
        return 0;
    }
    return m.submenus[position];
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

QAction* QtMenus::ActionFor(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool QtMenus::IsMarked(int id) const {
    const auto it = m_marks.find(id);
    return it != m_marks.end() && it->second;
}
