#include "canvas/CanvasAccessible.h"

#include "canvas/EditorCanvasView.h"
#include "core/ClickReach.h"

namespace quorvane {
namespace {

QAccessibleInterface* canvasFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvane::EditorCanvasView") && object != nullptr &&
        object->isWidgetType())
        return new CanvasAccessible(static_cast<EditorCanvasView*>(object));
    return nullptr;
}

} // namespace

CanvasAccessible::CanvasAccessible(EditorCanvasView* view) : QAccessibleWidget(view, QAccessible::Grouping) {}

QString CanvasAccessible::text(QAccessible::Text kind) const {
    const auto* view = static_cast<const EditorCanvasView*>(widget());
    switch (kind) {
    case QAccessible::Name:
        return EditorCanvasView::accessibilityLabel();
    case QAccessible::Help:
        return EditorCanvasView::accessibilityHelp();
    case QAccessible::Value:
        return view->accessibilityValue();
    default:
        return QAccessibleWidget::text(kind);
    }
}

void CanvasAccessible::doAction(const QString& actionName) {
    if (ClickReach::reaches(*widget())) QAccessibleWidget::doAction(actionName);
}

void CanvasAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(canvasFactory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
