#include "panels/RoundedOutline.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvane {

RoundedOutline::RoundedOutline(QWidget& window, int inset, double radius)
    : QObject(&window), window_(window), inset_(inset), radius_(radius) {
    connect(&watch_, &X11CompositorWatch::runningChanged, this, &RoundedOutline::apply);
    window.installEventFilter(this);
    apply();
}

QRegion RoundedOutline::region(QSize size, int inset, double radius) {
    const QRect box = QRect(QPoint(0, 0), size).adjusted(inset, inset, -inset, -inset);
    if (box.isEmpty()) return {};
    const double r = std::clamp(radius, 0.0, std::min(box.width(), box.height()) / 2.0);
    // One band of rows per indent. A corner row keeps the pixels whose centres lie half a pixel
    // inside the arc: the ones the arc cuts are partly transparent, and would show partly black.
    const double inner = std::max(0.0, r - 0.5);
    std::vector<QRect> rows;
    const auto indentOf = [&](int row) {
        const double fromEdge = std::min(row, box.height() - 1 - row) + 0.5;
        if (fromEdge >= r) return 0;
        const double dy = r - fromEdge;
        return std::max(0, int(std::ceil(r - std::sqrt(std::max(0.0, inner * inner - dy * dy)) - 0.5)));
    };
    for (int row = 0; row < box.height();) {
        const int indent = indentOf(row);
        int end = row + 1;
        while (end < box.height() && indentOf(end) == indent)
            ++end;
        if (2 * indent < box.width())
            rows.emplace_back(box.x() + indent, box.y() + row, box.width() - 2 * indent, end - row);
        row = end;
    }
    QRegion outline;
    outline.setRects(rows.data(), int(rows.size()));
    return outline;
}

bool RoundedOutline::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Resize) apply();
    return false;
}

void RoundedOutline::apply() {
    if (watch_.running())
        window_.clearMask();
    else
        window_.setMask(region(window_.size(), inset_, radius_));
}

} // namespace quorvane
