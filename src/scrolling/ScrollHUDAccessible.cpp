#include "scrolling/ScrollHUDAccessible.h"

#include "core/ClickReach.h"

#include <QLabel>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* valueProperty = "hudValue";

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || widget->metaObject()->indexOfProperty(valueProperty) < 0) return nullptr;
    return new ScrollHUDAccessible(widget, qobject_cast<QLabel*>(widget) != nullptr ? QAccessible::StaticText
                                                                                    : QAccessible::Graphic);
}

} // namespace

ScrollHUDAccessible::ScrollHUDAccessible(QWidget* widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role) {}

QString ScrollHUDAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return widget()->property(valueProperty).toString();
    return QAccessibleWidget::text(kind);
}

void ScrollHUDAccessible::doAction(const QString& actionName) {
    if (ClickReach::reaches(*widget())) QAccessibleWidget::doAction(actionName);
}

void ScrollHUDAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
