#include "scrolling/ScrollHUDPanel.h"

#include "platform/FloatingPanel.h"
#include "scrolling/ScrollHUDView.h"
#include "scrolling/ScrollWindowAccessible.h"

#include <QPainterPath>
#include <QRegion>

namespace quorvane {

ScrollHUDPanel::ScrollHUDPanel(ScrollHUDModel& model, Clicks clicks, std::function<bool()> reduceMotion)
    : view_(new ScrollHUDView(model, std::move(reduceMotion), this)) {
    ScrollWindowAccessible::expose(*this, ScrollWindowAccessible::Content::controls);
    FloatingPanel::configure(*this, clicks == Clicks::passThrough ? FloatingPanel::Input::passesThrough
                                                                  : FloatingPanel::Input::accepted);
    setWindowTitle(title());
    setAccessibleName(title());
    setFixedSize(view_->size());
    connect(&model, &ScrollHUDModel::changed, this, [this] {
        if (size() != view_->size()) setFixedSize(view_->size());
    });
}

void ScrollHUDPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), 12, 12);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

} // namespace quorvane
