#include "editor_window/ToastAccessible.h"

#include "core/ClickReach.h"
#include "editor_window/ToastView.h"

#include <QAbstractButton>

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* toast = qobject_cast<ToastView*>(object)) return new ToastAccessible(toast);
    return nullptr;
}

} // namespace

ToastAccessible::ToastAccessible(ToastView* toast) : QAccessibleWidget(toast, QAccessible::Notification) {}

ToastView* ToastAccessible::toast() const {
    return static_cast<ToastView*>(widget());
}

QString ToastAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name) return toast()->accessibleText();
    return QAccessibleWidget::text(kind);
}

QAccessible::State ToastAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (!toast()->capsuleVisible()) state.invisible = true;
    return state;
}

QStringList ToastAccessible::actionNames() const {
    QStringList names;
    for (const QAbstractButton* button : toast()->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(toast()) && button->isEnabled()) names << button->text();
    return names;
}

void ToastAccessible::doAction(const QString& actionName) {
    for (QAbstractButton* button : toast()->findChildren<QAbstractButton*>())
        if (button->text() == actionName && button->isVisibleTo(toast()) && ClickReach::reaches(*button))
            return button->click();
}

void ToastAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
