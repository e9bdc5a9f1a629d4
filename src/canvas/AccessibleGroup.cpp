#include "canvas/AccessibleGroup.h"

#include "core/ClickReach.h"

#include <QMenu>
#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* roleProperty = "accessibilityGroupRole";
constexpr const char* decorationProperty = "accessibilityDecoration";
constexpr const char* passThroughProperty = "accessibilityPassThrough";

bool passesThrough(const QWidget& widget) {
    return widget.property(passThroughProperty).toBool();
}

// The children Qt would expose (no windows, no menus), less the decorations, with the members of
// pass-through containers in their place.
void collect(const QWidget& container, QList<QWidget*>& found) {
    for (QObject* object : container.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow() || qobject_cast<QMenu*>(child) != nullptr) continue;
        if (child->property(decorationProperty).toBool()) continue;
        if (passesThrough(*child))
            collect(*child, found);
        else
            found.append(child);
    }
}

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return nullptr;
    const QVariant role = widget->property(roleProperty);
    if (!role.isValid()) return nullptr;
    return new AccessibleGroup(widget, static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

AccessibleGroup::AccessibleGroup(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

QList<QWidget*> AccessibleGroup::members() const {
    QList<QWidget*> found;
    collect(*widget(), found);
    return found;
}

int AccessibleGroup::childCount() const {
    return static_cast<int>(members().size());
}

QAccessibleInterface* AccessibleGroup::child(int index) const {
    const QList<QWidget*> all = members();
    if (index < 0 || index >= all.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(all.at(index));
}

QAccessibleInterface* AccessibleGroup::parent() const {
    if (widget()->isWindow()) return QAccessibleWidget::parent();
    QWidget* above = widget()->parentWidget();
    while (above != nullptr && !above->isWindow() && passesThrough(*above))
        above = above->parentWidget();
    return above != nullptr ? QAccessible::queryAccessibleInterface(above) : QAccessibleWidget::parent();
}

int AccessibleGroup::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr) return -1;
    return static_cast<int>(members().indexOf(qobject_cast<QWidget*>(child->object())));
}

void AccessibleGroup::doAction(const QString& actionName) {
    if (ClickReach::reaches(*widget())) QAccessibleWidget::doAction(actionName);
}

void AccessibleGroup::expose(QWidget& widget, QAccessible::Role role, const QString& name) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    widget.setProperty(roleProperty, static_cast<int>(role));
    widget.setAccessibleName(name);
}

void AccessibleGroup::markDecoration(QWidget& decoration) {
    decoration.setProperty(decorationProperty, true);
}

void AccessibleGroup::passThrough(QWidget& container) {
    container.setProperty(passThroughProperty, true);
}

} // namespace quorvane
