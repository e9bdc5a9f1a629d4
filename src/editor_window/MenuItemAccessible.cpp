#include "editor_window/MenuItemAccessible.h"

#include "core/ClickReach.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* keyInTextProperty = "menuKeyInText";

bool showsItems(const QWidget* widget) {
    return qobject_cast<const QMenu*>(widget) != nullptr || qobject_cast<const QMenuBar*>(widget) != nullptr;
}

// The window a menu belongs to: its menu bar's, or that of the control it opens from.
const QWidget* windowOf(const QWidget& holder) {
    const QWidget* widget = &holder;
    while (qobject_cast<const QMenu*>(widget) != nullptr && widget->parentWidget() != nullptr)
        widget = widget->parentWidget();
    return widget->window();
}

// How well `holder` stands for an item it shows: an open menu, then one of the window in front,
// then one of another window (a reader meets a closed menu only through its window's menu bar).
int rank(const QWidget& holder) {
    if (holder.isVisible()) return 3;
    const QWidget* window = windowOf(holder);
    if (window == QApplication::activeWindow()) return 2;
    return window != &holder ? 1 : 0;
}

// The menu or menu bar the item shows in, of those that hold its action.
QWidget* holderOf(const QAction& action) {
    QWidget* found = nullptr;
    for (QObject* object : action.associatedObjects())
        if (auto* widget = qobject_cast<QWidget*>(object);
            showsItems(widget) && (found == nullptr || rank(*widget) > rank(*found)))
            found = widget;
    return found;
}

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* action = qobject_cast<QAction*>(object);
    if (action == nullptr || holderOf(*action) == nullptr) return nullptr;
    return new MenuItemAccessible(action);
}

// Where the mnemonic's '&' stands in `text`, or -1; "&&" is the character itself.
qsizetype mnemonicAt(const QString& text) {
    for (qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size(); at = text.indexOf(u'&', at + 2))
        if (text.at(at + 1) != u'&') return at;
    return -1;
}

// A title as Qt reads it.
QString withoutMnemonic(QString title) {
    if (const qsizetype at = mnemonicAt(title); at >= 0) title.remove(at, 1);
    return title.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void closeMenus() {
    while (QWidget* popup = QApplication::activePopupWidget())
        if (!popup->close()) break;
}

// What a person's click on the item does now: nothing where no click reaches it (a closed window,
// a sheet over it, the area picker). A title opens its menu, or closes it where it is open; any
// other item closes the open menus, then acts.
void clickAsPerson(QAction& action) {
    QWidget* holder = holderOf(action);
    if (holder == nullptr || !action.isEnabled() || !ClickReach::reaches(*holder)) return;
    QMenu* menu = action.menu();
    if (menu == nullptr) {
        closeMenus();
        action.trigger();
    } else if (menu->isVisible()) {
        menu->hide();
    } else if (auto* bar = qobject_cast<QMenuBar*>(holder)) {
        // A menu open elsewhere closes first, as a click away from it closes it.
        closeMenus();
        bar->setActiveAction(&action);
    } else {
        static_cast<QMenu*>(holder)->setActiveAction(&action);
    }
}

} // namespace

MenuItemAccessible::MenuItemAccessible(QAction* action) : action_(action) {}

void MenuItemAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void MenuItemAccessible::showsKeyInText(QAction& item) {
    install();
    item.setProperty(keyInTextProperty, true);
}

bool MenuItemAccessible::keyInText() const {
    return action_ != nullptr && action_->property(keyInTextProperty).toBool();
}

bool MenuItemAccessible::isValid() const {
    return action_ != nullptr && holderOf(*action_) != nullptr;
}

QObject* MenuItemAccessible::object() const {
    return action_;
}

QWindow* MenuItemAccessible::window() const {
    QWidget* holder = action_ != nullptr ? holderOf(*action_) : nullptr;
    if (holder == nullptr) return nullptr;
    // A menu that never showed has no window of its own yet.
    if (QWindow* own = holder->windowHandle()) return own;
    QWidget* native = holder->nativeParentWidget();
    return native != nullptr ? native->windowHandle() : nullptr;
}

QAccessibleInterface* MenuItemAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(action_ != nullptr ? holderOf(*action_) : nullptr);
}

QAccessibleInterface* MenuItemAccessible::child(int index) const {
    QMenu* menu = action_ != nullptr ? action_->menu() : nullptr;
    return index == 0 && menu != nullptr ? QAccessible::queryAccessibleInterface(menu) : nullptr;
}

int MenuItemAccessible::childCount() const {
    return action_ != nullptr && action_->menu() != nullptr ? 1 : 0;
}

int MenuItemAccessible::indexOfChild(const QAccessibleInterface* child) const {
    QMenu* menu = action_ != nullptr ? action_->menu() : nullptr;
    return child != nullptr && menu != nullptr && child->object() == menu ? 0 : -1;
}

QAccessibleInterface* MenuItemAccessible::childAt(int x, int y) const {
    QAccessibleInterface* menu = child(0);
    return menu != nullptr && menu->rect().contains(x, y) ? menu : nullptr;
}

QString MenuItemAccessible::text(QAccessible::Text kind) const {
    if (action_ == nullptr) return {};
    const QString shown = action_->text();
    const qsizetype tab = keyInText() ? shown.indexOf(u'\t') : -1;
    switch (kind) {
    case QAccessible::Name:
        return withoutMnemonic(shown.left(tab));
    case QAccessible::Accelerator: {
        if (keyInText()) return tab < 0 ? QString() : shown.mid(tab + 1);
        if (!action_->shortcut().isEmpty()) return action_->shortcut().toString();
        const qsizetype at = mnemonicAt(shown);
        return at < 0 ? QString()
                      : QKeySequence(Qt::ALT).toString(QKeySequence::NativeText) + shown.at(at + 1);
    }
    case QAccessible::Description: {
        // Without a tip of its own, an action's tip is its text.
        const QString tip = keyInText() ? action_->toolTip() : QString();
        return tip.startsWith(shown.left(tab)) ? QString() : tip;
    }
    default:
        return {};
    }
}

void MenuItemAccessible::setText(QAccessible::Text, const QString&) {}

QRect MenuItemAccessible::rect() const {
    QWidget* holder = action_ != nullptr ? holderOf(*action_) : nullptr;
    // Where it shows, or would show, as Qt's own item says: Qt's bridge takes an object without a
    // box for one that has no place on the screen at all.
    if (holder == nullptr) return {};
    auto* bar = qobject_cast<QMenuBar*>(holder);
    const QRect box =
        bar != nullptr ? bar->actionGeometry(action_) : static_cast<QMenu*>(holder)->actionGeometry(action_);
    return box.translated(holder->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role MenuItemAccessible::role() const {
    return action_ != nullptr && action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
}

QAccessible::State MenuItemAccessible::state() const {
    QAccessible::State state;
    QWidget* holder = action_ != nullptr ? holderOf(*action_) : nullptr;
    if (holder == nullptr) {
        state.invisible = true;
        return state;
    }
    state.invisible = !holder->isVisible() || !action_->isVisible();
    auto* bar = qobject_cast<QMenuBar*>(holder);
    state.focused =
        (bar != nullptr ? bar->activeAction() : static_cast<QMenu*>(holder)->activeAction()) == action_;
    state.hotTracked = holder->style()->styleHint(QStyle::SH_Menu_MouseTracking) != 0;
    state.disabled = action_->isSeparator() || !action_->isEnabled();
    state.checkable = action_->isCheckable();
    state.checked = action_->isChecked();
    // As such an item has always been met; Qt's own item does not say so.
    state.focusable = keyInText();
    return state;
}

void* MenuItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList MenuItemAccessible::actionNames() const {
    if (action_ == nullptr || action_->isSeparator()) return {};
    return {action_->menu() != nullptr ? showMenuAction() : pressAction()};
}

void MenuItemAccessible::doAction(const QString& actionName) {
    if (!actionNames().contains(actionName)) return;
    // On a later turn, as a click comes: what the item opens may run modally (a menu, a question),
    // and the reader's call must return first.
    QTimer::singleShot(0, action_, [action = action_.data()] { clickAsPerson(*action); });
}

QStringList MenuItemAccessible::keyBindingsForAction(const QString& actionName) const {
    const QString key = keyInText() ? text(QAccessible::Accelerator) : QString();
    if (actionName != pressAction() || key.isEmpty()) return {};
    return {key};
}

} // namespace quorvane
