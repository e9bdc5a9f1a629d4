#include "scrolling/ScrollCaptureWindows.h"

#include "core/Geometry.h"
#include "scrolling/ScrollHUDPanel.h"
#include "scrolling/ScrollHUDPlacement.h"
#include "scrolling/ScrollHUDText.h"
#include "scrolling/ScrollOutlineWindow.h"

#include <QApplication>
#include <QWidget>

namespace quorvane {

ScrollCaptureWindows::ScrollCaptureWindows() {
    ownWindows = [] {
        std::vector<QWidget*> shown;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            // Pickers and overlays above everything close by themselves.
            const Qt::WindowType type = window->windowType();
            if (window->isVisible() && type != Qt::Popup && type != Qt::ToolTip &&
                !window->windowFlags().testFlag(Qt::BypassWindowManagerHint))
                shown.push_back(window);
        }
        return shown;
    };
}

ScrollCaptureWindows::~ScrollCaptureWindows() {
    delete panel_.data();
    hide();
}

ScrollHUDPanel* ScrollCaptureWindows::panel() const {
    return panel_;
}

QRectF ScrollCaptureWindows::show(const QRectF& region, const std::optional<QRectF>& visible,
                                  ScrollHUDModel& model, std::function<bool()> reduceMotion) {
    hide();
    for (QWidget* window : ownWindows())
        if (QRectF(window->frameGeometry()).intersects(region)) {
            putAway_.emplace_back(window);
            window->hide();
        }

    outline_ = std::make_unique<ScrollOutlineWindow>(region);
    outline_->show();

    const QSize size = ScrollHUDText::panelSize(model);
    const QPointF origin =
        ScrollHUDPlacement::origin(QRectF(outline_->frame()), visible.value_or(region), QSizeF(size));
    // A drag-driven capture must not be disturbed by the panel.
    panel_ = new ScrollHUDPanel(
        model, model.dragMode() ? ScrollHUDPanel::Clicks::passThrough : ScrollHUDPanel::Clicks::accepted,
        std::move(reduceMotion));
    const QRect frame(QPoint(static_cast<int>(std::floor(origin.x())), static_cast<int>(std::floor(origin.y()))),
                      size);
    panel_->setGeometry(frame);
    panel_->show();
    panel_->raise();
    return QRectF(frame);
}

void ScrollCaptureWindows::hide() {
    if (panel_) {
        panel_->hide();
        panel_->deleteLater();
    }
    panel_ = nullptr;
    if (outline_) outline_->hide();
    outline_.reset();
    for (const auto& window : std::exchange(putAway_, {}))
        if (window) window->show();
}

} // namespace quorvane
