#include "editor_window/MenuKeyAccessible.h"

#include "core/ClickReach.h"

#include <QAction>
#include <QMenu>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* keyInTextProperty = "menuKeyInText";

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* action = qobject_cast<QAction*>(object);
    if (action == nullptr || !action->property(keyInTextProperty).toBool()) return nullptr;
    return new MenuKeyAccessible(action);
}

} // namespace

MenuKeyAccessible::MenuKeyAccessible(QAction* action) : action_(action) {}

void MenuKeyAccessible::showsKeyInText(QAction& item) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    item.setProperty(keyInTextProperty, true);
}

QMenu* MenuKeyAccessible::menu() const {
    if (action_ == nullptr) return nullptr;
    QMenu* found = nullptr;
    for (QObject* object : action_->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object);
            menu != nullptr && (found == nullptr || menu->isVisible()))
            found = menu;
    return found;
}

bool MenuKeyAccessible::isValid() const {
    return action_ != nullptr && menu() != nullptr;
}

QObject* MenuKeyAccessible::object() const {
    return action_;
}

QWindow* MenuKeyAccessible::window() const {
    QMenu* shown = menu();
    return shown != nullptr ? shown->windowHandle() : nullptr;
}

QAccessibleInterface* MenuKeyAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(menu());
}

QAccessibleInterface* MenuKeyAccessible::child(int) const {
    return nullptr;
}

int MenuKeyAccessible::childCount() const {
    return 0;
}

int MenuKeyAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QAccessibleInterface* MenuKeyAccessible::childAt(int, int) const {
    return nullptr;
}

QString MenuKeyAccessible::text(QAccessible::Text kind) const {
    if (action_ == nullptr) return {};
    const QString shown = action_->text();
    const qsizetype tab = shown.indexOf(u'\t');
    switch (kind) {
    case QAccessible::Name: {
        // A lone '&' marks a mnemonic; "&&" is the character itself.
        QString title = shown.left(tab);
        title.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
        return title;
    }
    case QAccessible::Accelerator:
        return tab < 0 ? QString() : shown.mid(tab + 1);
    case QAccessible::Description: {
        // Without a tip of its own, an action's tip is its text.
        const QString tip = action_->toolTip();
        return tip.startsWith(shown.left(tab)) ? QString() : tip;
    }
    default:
        return {};
    }
}

void MenuKeyAccessible::setText(QAccessible::Text, const QString&) {}

QRect MenuKeyAccessible::rect() const {
    QMenu* shown = menu();
    if (shown == nullptr) return {};
    const QRect box = shown->actionGeometry(action_);
    return QRect(shown->mapToGlobal(box.topLeft()), box.size());
}

QAccessible::Role MenuKeyAccessible::role() const {
    return QAccessible::MenuItem;
}

QAccessible::State MenuKeyAccessible::state() const {
    QAccessible::State state;
    QMenu* shown = menu();
    if (action_ == nullptr || shown == nullptr) {
        state.invisible = true;
        return state;
    }
    state.invisible = !shown->isVisible() || !action_->isVisible();
    state.focusable = true;
    state.focused = shown->activeAction() == action_;
    state.disabled = !action_->isEnabled();
    state.checkable = action_->isCheckable();
    state.checked = action_->isChecked();
    return state;
}

void* MenuKeyAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList MenuKeyAccessible::actionNames() const {
    return {pressAction()};
}

void MenuKeyAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction() || action_ == nullptr || !action_->isEnabled()) return;
    // As a click does, on an open menu only: the menu closes, then the item acts.
    QMenu* shown = menu();
    if (shown == nullptr || !ClickReach::reaches(*shown)) return;
    shown->hide();
    action_->trigger();
}

QStringList MenuKeyAccessible::keyBindingsForAction(const QString& actionName) const {
    const QString key = text(QAccessible::Accelerator);
    if (actionName != pressAction() || key.isEmpty()) return {};
    return {key};
}

} // namespace quorvane
