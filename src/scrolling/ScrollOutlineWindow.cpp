#include "scrolling/ScrollOutlineWindow.h"

#include "core/Geometry.h"
#include "scrolling/ScrollOutlineView.h"

namespace quorvane {

ScrollOutlineWindow::ScrollOutlineWindow(const QRectF& region)
    : frame_(geom::integral(geom::insetBy(region, -margin, -margin)).toRect()) {
    const auto parts = strips(frame_);
    for (std::size_t i = 0; i < parts.size(); ++i)
        views_[i] = std::make_unique<ScrollOutlineView>(parts[i], frame_);
}

ScrollOutlineWindow::~ScrollOutlineWindow() = default;

std::array<QRect, 4> ScrollOutlineWindow::strips(const QRect& frame) {
    const int x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    return {QRect(x, y, w, margin), QRect(x, y + h - margin, w, margin),
            QRect(x, y + margin, margin, std::max(0, h - 2 * margin)),
            QRect(x + w - margin, y + margin, margin, std::max(0, h - 2 * margin))};
}

void ScrollOutlineWindow::show() {
    for (const auto& view : views_) {
        if (view->width() < 1 || view->height() < 1) continue;
        view->show();
        view->raise();
    }
}

void ScrollOutlineWindow::hide() {
    for (const auto& view : views_)
        view->hide();
}

} // namespace quorvane
