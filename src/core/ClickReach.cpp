#include "core/ClickReach.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace quorvane {
namespace {

constexpr const char* holdsInputProperty = "clickReachHoldsInput";

// `window` itself, or a window opened over `base` (a sheet's own dialogs).
bool standsOn(const QWidget* window, const QWidget* base) {
    for (; window != nullptr;
         window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr)
        if (window == base) return true;
    return false;
}

bool blockedByModal(const QWidget& window, const QWidgetList& tops) {
    // A menu opens only from what a person could reach; Qt blocks none.
    if (window.windowType() == Qt::Popup) return false;
    return std::any_of(tops.begin(), tops.end(), [&window](const QWidget* modal) {
        if (!modal->isVisible() || !modal->isModal() || standsOn(&window, modal)) return false;
        return modal->windowModality() == Qt::ApplicationModal || standsOn(modal, &window);
    });
}

bool heldElsewhere(const QWidget& window, const QWidgetList& tops) {
    return std::any_of(tops.begin(), tops.end(), [&window](const QWidget* holder) {
        return holder->isVisible() && holder->property(holdsInputProperty).toBool() &&
               !standsOn(&window, holder);
    });
}

} // namespace

void ClickReach::holdsInputWhileShown(QWidget& window) {
    window.setProperty(holdsInputProperty, true);
}

bool ClickReach::reaches(const QWidget& widget) {
    if (!widget.isEnabled() || !widget.isVisible()) return false;
    const QWidget& window = *widget.window();
    const QWidgetList tops = QApplication::topLevelWidgets();
    return !heldElsewhere(window, tops) && !blockedByModal(window, tops);
}

} // namespace quorvane
