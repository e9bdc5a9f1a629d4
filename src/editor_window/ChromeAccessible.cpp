#include "editor_window/ChromeAccessible.h"

#include "core/ClickReach.h"
#include "editor_window/FileDragHandle.h"
#include "editor_window/MenuItemAccessible.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* valueProperty = "accessibilityValue";
const QString helpSeparator = QStringLiteral(" — ");

bool hasValue(const QWidget& widget) {
    return widget.metaObject()->indexOfProperty(valueProperty) >= 0;
}

// Every button but a push button with a menu: Qt's button interfaces press where no click
// reaches (a closed window, under the area picker), and its tool button interface offers a split
// button's menu twice and no press, and opens the menu inside the reader's call.
bool isButton(QWidget& widget) {
    auto* push = qobject_cast<QPushButton*>(&widget);
    return qobject_cast<QAbstractButton*>(&widget) != nullptr && (push == nullptr || push->menu() == nullptr);
}

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr ||
        !(hasValue(*widget) || isButton(*widget) || qobject_cast<FileDragHandle*>(widget) != nullptr))
        return nullptr;
    return new ChromeAccessible(widget);
}

// A button's title as Qt reads it: a lone '&' marks a mnemonic, "&&" is the character itself.
QString withoutMnemonic(QString title) {
    return title.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
}

QToolButton* menuButton(QWidget* widget) {
    auto* button = qobject_cast<QToolButton*>(widget);
    return button != nullptr && button->menu() != nullptr ? button : nullptr;
}

enum class Part { button, menu };

// What a person's click on `part` of `button` does now: nothing where no click reaches it (a
// sheet over it, a closed window, the area picker); a menu open elsewhere closes first, and a
// click on the button whose menu is open only closes that (Qt does not pass that press on).
void clickAsPerson(QAbstractButton& button, Part part) {
    if (!ClickReach::reaches(button)) return;
    auto* tool = qobject_cast<QToolButton*>(&button);
    const bool ownMenuOpen = tool != nullptr && tool->menu() != nullptr && tool->menu()->isVisible();
    while (QWidget* popup = QApplication::activePopupWidget())
        if (popup == button.window() || !popup->close()) break;
    if (ownMenuOpen) return;
    if (part == Part::menu && tool != nullptr)
        tool->showMenu();
    else
        button.click();
}

QAccessible::Role roleOf(QWidget* widget) {
    if (qobject_cast<FileDragHandle*>(widget) != nullptr) return QAccessible::Graphic;
    if (menuButton(widget) != nullptr) return QAccessible::ButtonMenu;
    if (qobject_cast<QRadioButton*>(widget) != nullptr) return QAccessible::RadioButton;
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
    // A button of Qt's without a name of its own is named, and keyed, by its title, as Qt reads it.
    if (auto* button = qobject_cast<QAbstractButton*>(widget()); button != nullptr) {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty() && !button->text().isEmpty())
            return withoutMnemonic(button->text());
        if (kind == QAccessible::Accelerator) {
            auto* push = qobject_cast<QPushButton*>(button);
            const QKeySequence key = push != nullptr && push->isDefault()
                                         ? QKeySequence(Qt::Key_Enter)
                                         : QKeySequence::mnemonic(button->text());
            return key.toString(QKeySequence::NativeText);
        }
    }
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
        auto* box = qobject_cast<QCheckBox*>(button);
        state.checkStateMixed = box != nullptr && box->checkState() == Qt::PartiallyChecked;
        state.pressed = button->isDown();
        auto* push = qobject_cast<QPushButton*>(button);
        state.defaultButton = push != nullptr && push->isDefault();
    }
    if (menuButton(widget()) != nullptr) state.hasPopup = true;
    return state;
}

QStringList ChromeAccessible::actionNames() const {
    QStringList names;
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (button != nullptr && widget()->isEnabled()) {
        QToolButton* menu = menuButton(widget());
        // A button whose press opens its menu has the menu alone; a split button has both.
        if (menu == nullptr || menu->popupMode() != QToolButton::InstantPopup)
            names << (button->isCheckable() ? toggleAction() : pressAction());
        if (menu != nullptr) names << showMenuAction();
    }
    return names << QAccessibleWidget::actionNames();
}

void ChromeAccessible::doAction(const QString& actionName) {
    // Where no click reaches, no reader's press, menu or focus does anything either.
    if (!ClickReach::reaches(*widget())) return;
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (button == nullptr || !actionNames().contains(actionName) || actionName == setFocusAction())
        return QAccessibleWidget::doAction(actionName);
    // On a later turn, as a click comes: a menu runs modally, and the reader's call must return
    // first.
    const Part part = actionName == showMenuAction() ? Part::menu : Part::button;
    QTimer::singleShot(0, button, [button, part] { clickAsPerson(*button, part); });
}

void ChromeAccessible::describeBeyondName(QWidget& widget) {
    widget.setAccessibleDescription(helpBeyond(widget.accessibleName(), widget.toolTip()));
}

void ChromeAccessible::valueChanged(QWidget& control) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent value(&control, control.property(valueProperty));
    QAccessible::updateAccessibility(&value);
    QAccessibleEvent description(&control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

void ChromeAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    // The chrome's menus too.
    MenuItemAccessible::install();
}

} // namespace quorvane
