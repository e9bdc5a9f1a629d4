#include "editor_window/ChromeAccessible.h"

#include <QAbstractButton>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* valueProperty = "accessibilityValue";

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || widget->metaObject()->indexOfProperty(valueProperty) < 0) return nullptr;
    return new ChromeAccessible(widget);
}

} // namespace

ChromeAccessible::ChromeAccessible(QWidget* widget)
    : QAccessibleWidget(widget, qobject_cast<QAbstractButton*>(widget) != nullptr ? QAccessible::Button
                                                                                  : QAccessible::Grouping) {}

QString ChromeAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return widget()->property(valueProperty).toString();
    return QAccessibleWidget::text(kind);
}

QStringList ChromeAccessible::actionNames() const {
    return QAccessibleWidget::actionNames() << pressAction();
}

void ChromeAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget())) button->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

void ChromeAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
