#include "editor_window/ChromeAccessible.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVariant>
#include <cstring>

namespace quorvane {
namespace {

constexpr const char* valueProperty = "accessibilityValue";
const QString helpSeparator = QStringLiteral(" — ");

bool hasValue(const QWidget& widget) {
    return widget.metaObject()->indexOfProperty(valueProperty) >= 0;
}

// Our own buttons drawn from QAbstractButton; Qt's push and tool buttons keep Qt's interfaces.
bool isChromeButton(QWidget& widget) {
    return qobject_cast<QAbstractButton*>(&widget) != nullptr && qobject_cast<QPushButton*>(&widget) == nullptr &&
           qobject_cast<QToolButton*>(&widget) == nullptr &&
           std::strncmp(widget.metaObject()->className(), "quorvane::", 10) == 0;
}

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || !(hasValue(*widget) || isChromeButton(*widget))) return nullptr;
    return new ChromeAccessible(widget);
}

QToolButton* menuButton(QWidget* widget) {
    auto* button = qobject_cast<QToolButton*>(widget);
    return button != nullptr && button->menu() != nullptr ? button : nullptr;
}

QAccessible::Role roleOf(QWidget* widget) {
    if (menuButton(widget) != nullptr) return QAccessible::ButtonMenu;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
    return QAccessible::Grouping;
}

} // namespace

ChromeAccessible::ChromeAccessible(QWidget* widget) : QAccessibleWidget(widget, roleOf(widget)) {}

QAccessible::Role ChromeAccessible::role() const {
    return roleOf(widget());
}

QString ChromeAccessible::text(QAccessible::Text kind) const {
    const QString value = hasValue(*widget()) ? widget()->property(valueProperty).toString() : QString();
    if (kind == QAccessible::Value) return value;
    if (kind != QAccessible::Description) return QAccessibleWidget::text(kind);
    if (const QString own = widget()->accessibleDescription(); !own.isEmpty()) return own;
    const QString help = helpBeyond(text(QAccessible::Name), widget()->toolTip());
    return help.isEmpty() ? value : help;
}

QString ChromeAccessible::helpBeyond(const QString& name, const QString& help) {
    if (name.isEmpty() || help.isEmpty()) return help;
    // The name again in other letters ("Close Pin"), or a part of it ("Ocean" of "Ocean preset").
    if (name.contains(help, Qt::CaseInsensitive)) return {};
    if (!help.startsWith(name, Qt::CaseInsensitive)) return help;
    const QString rest = help.mid(name.size());
    for (const QString& separator : {helpSeparator, QStringLiteral(": ")})
        if (rest.startsWith(separator)) return rest.mid(separator.size());
    if (rest.startsWith(QStringLiteral(" ("))) {
        // "Zoom (Ctrl+0 fits, …)": the brackets' words, then whatever follows them.
        if (const auto close = rest.indexOf(QLatin1Char(')')); close > 0)
            return rest.mid(2, close - 2) + rest.mid(close + 1);
    }
    // "Copy image" of "Copy": the name with what it acts on, which the window already says.
    if (rest.startsWith(QLatin1Char(' '))) return {};
    // "Zoomed in" of "Zoom" is another word.
    return help;
}

QAccessible::State ChromeAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (auto* button = qobject_cast<QAbstractButton*>(widget())) {
        state.checkable = button->isCheckable();
        state.checked = button->isChecked();
        state.pressed = button->isDown();
    }
    if (menuButton(widget()) != nullptr) state.hasPopup = true;
    return state;
}

QStringList ChromeAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (!widget()->isEnabled()) return names;
    if (menuButton(widget()) != nullptr)
        names << showMenuAction();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget()))
        names << (button->isCheckable() ? toggleAction() : pressAction());
    return names;
}

void ChromeAccessible::doAction(const QString& actionName) {
    if (!widget()->isEnabled()) return;
    if (actionName == showMenuAction()) {
        if (QToolButton* button = menuButton(widget())) button->showMenu();
        return;
    }
    if (actionName == pressAction() || actionName == toggleAction()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget())) button->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

void ChromeAccessible::describeBeyondName(QWidget& widget) {
    widget.setAccessibleDescription(helpBeyond(widget.accessibleName(), widget.toolTip()));
}

void ChromeAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
