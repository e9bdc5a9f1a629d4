#include "scrolling/SystemDragSelectionOverlay.h"

#include "core/ClickReach.h"
#include "core/Geometry.h"
#include "platform/X11WindowShape.h"
#include "scrolling/ScrollWindowAccessible.h"

#include <QAccessible>
#include <QVBoxLayout>
#include <cmath>

namespace quorvane {

SystemDragSelectionOverlay::SystemDragSelectionOverlay(X11InputConnection* connection,
                                                       Required<bool()> contrast)
    : increaseContrast(std::move(contrast)), connection_(connection) {}

SystemDragSelectionOverlay::~SystemDragSelectionOverlay() {
    hide();
}

void SystemDragSelectionOverlay::show(const std::optional<QRectF>& selection,
                                      const DragScrollDisplay& display) {
    const QRect frame = geom::integral(display.frame).toRect();
    QWidget* window = window_;
    if (window == nullptr) {
        composited_ = connection_ != nullptr && X11WindowShape::compositorRunning(*connection_);
        window = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                          Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput |
                                          Qt::WindowDoesNotAcceptFocus);
        window_ = window;
        ScrollWindowAccessible::expose(*window, ScrollWindowAccessible::Content::drawingOnly);
        // The drag's tap holds the pointer while it shows: no reader's press acts beneath it.
        ClickReach::holdsInputWhileShown(*window);
        window->setWindowTitle(title());
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->setGeometry(frame);
        view_ = new DragSelectionOverlayView(window);
        view_->increaseContrast = [this] { return increaseContrast(); };
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        announce(DragSelectionOverlayView::hintText());
    }
    if (window->geometry() != frame) window->setGeometry(frame);
    view_->setContent(display, selection);
    window->show();
    window->raise();
    if (!composited_ && connection_ != nullptr) {
        // Without a compositor the transparent parts would show black: draw only what we paint.
        const double ratio = window->devicePixelRatioF();
        std::vector<QRect> rects;
        for (const QRectF& part :
             DragSelectionOverlayView::visibleParts(view_->currentLayout(), increaseContrast())) {
            const QRectF pixels(part.x() * ratio, part.y() * ratio, part.width() * ratio,
                                part.height() * ratio);
            rects.push_back(geom::integral(pixels).toRect());
        }
        // An empty list would unshape the window: keep one invisible pixel instead.
        if (rects.empty()) rects.emplace_back(0, 0, 1, 1);
        X11WindowShape::setBounding(*connection_, static_cast<std::uint32_t>(window->winId()), rects);
    }
}

void SystemDragSelectionOverlay::hide() {
    if (window_ != nullptr) {
        window_->hide();
        window_->deleteLater();
    }
    window_ = nullptr;
    view_ = nullptr;
}

void SystemDragSelectionOverlay::announce(const QString& text) {
    lastAnnouncement_ = text;
    ++announcements_;
    // Best effort: screen readers that follow name changes read the window's new name.
    if (window_ != nullptr) window_->setAccessibleName(text);
}

} // namespace quorvane
