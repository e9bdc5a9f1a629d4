#include "scrolling/ScrollWindowAccessible.h"

#include "core/ClickReach.h"

#include <QVariant>

namespace quorvane {
namespace {

constexpr const char* contentProperty = "scrollWindowContent";

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || !widget->isWindow()) return nullptr;
    const QVariant content = widget->property(contentProperty);
    if (!content.isValid()) return nullptr;
    return new ScrollWindowAccessible(widget, static_cast<ScrollWindowAccessible::Content>(content.toInt()));
}

} // namespace

ScrollWindowAccessible::ScrollWindowAccessible(QWidget* window, Content content)
    : QAccessibleWidget(window, QAccessible::Window), content_(content) {}

int ScrollWindowAccessible::childCount() const {
    return content_ == Content::drawingOnly ? 0 : QAccessibleWidget::childCount();
}

QAccessibleInterface* ScrollWindowAccessible::child(int index) const {
    return content_ == Content::drawingOnly ? nullptr : QAccessibleWidget::child(index);
}

int ScrollWindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return content_ == Content::drawingOnly ? -1 : QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface* ScrollWindowAccessible::childAt(int x, int y) const {
    return content_ == Content::drawingOnly ? nullptr : QAccessibleWidget::childAt(x, y);
}

void ScrollWindowAccessible::doAction(const QString& actionName) {
    if (ClickReach::reaches(*widget())) QAccessibleWidget::doAction(actionName);
}

void ScrollWindowAccessible::expose(QWidget& window, Content content) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    window.setProperty(contentProperty, static_cast<int>(content));
}

} // namespace quorvane
