#include "core/ButtonReturnKey.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace quorvane {
namespace {

constexpr char leavesReturn[] = "quorvaneLeavesReturnToWindow";

bool presses(const QAbstractButton& button, const QKeyEvent& press) {
    if (press.key() != Qt::Key_Return && press.key() != Qt::Key_Enter) return false;
    if ((press.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (!button.isEnabled() || button.isCheckable() || button.property(leavesReturn).toBool()) return false;
    if (const auto* push = qobject_cast<const QPushButton*>(&button);
        push != nullptr && push->menu() != nullptr)
        return false;
    const auto* tool = qobject_cast<const QToolButton*>(&button);
    return tool == nullptr || tool->menu() == nullptr || tool->popupMode() != QToolButton::InstantPopup;
}

} // namespace

void ButtonReturnKey::install() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr ||
        application->findChild<ButtonReturnKey*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    application->installEventFilter(new ButtonReturnKey(application));
}

void ButtonReturnKey::leaveToWindow(QAbstractButton& button) {
    button.setProperty(leavesReturn, true);
}

bool ButtonReturnKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    const auto& press = static_cast<const QKeyEvent&>(*event);
    if (button == nullptr || !presses(*button, press)) return false;
    // Held down, the key presses once, as Space does; the repeats go nowhere else either (a dialog
    // would press its default button).
    if (!press.isAutoRepeat()) button->click();
    return true;
}

} // namespace quorvane
