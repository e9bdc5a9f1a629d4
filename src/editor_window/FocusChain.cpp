#include "editor_window/FocusChain.h"

#include <QWidget>
#include <vector>

namespace quorvane::FocusChain {

void gather(QWidget& group) {
    std::vector<QWidget*> controls;
    for (QWidget* child : group.findChildren<QWidget*>())
        if ((child->focusPolicy() & Qt::TabFocus) && child->window() == group.window())
            controls.push_back(child);
    if (controls.empty()) return;
    // The last control before the group's place, which the group's controls follow.
    QWidget* before = nullptr;
    for (QWidget* w = group.previousInFocusChain(); w != nullptr && w != &group;
         w = w->previousInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus && !group.isAncestorOf(w) && w->window() == group.window()) {
            before = w;
            break;
        }
    }
    for (QWidget* control : controls) {
        if (before != nullptr) QWidget::setTabOrder(before, control);
        before = control;
    }
}

} // namespace quorvane::FocusChain
