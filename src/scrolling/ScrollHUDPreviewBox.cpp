#include "scrolling/ScrollHUDPreviewBox.h"

#include "scrolling/ScrollHUDAccessible.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {
namespace {

constexpr double cornerRadius = 6;

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

ScrollHUDPreviewBox::ScrollHUDPreviewBox(QWidget* parent) : QWidget(parent) {
    ScrollHUDAccessible::install();
    setAccessibleName(QStringLiteral("Stitched preview"));
}

void ScrollHUDPreviewBox::setContent(const std::optional<QImage>& preview, AutoScrollDirection orientation,
                                     int height) {
    preview_ = preview;
    orientation_ = orientation;
    height_ = height;
    update();
}

QString ScrollHUDPreviewBox::accessibilityValue() const {
    return QString::number(height_) + QStringLiteral(" pixels tall");
}

QRectF ScrollHUDPreviewBox::previewRect() const {
    if (!preview_ || preview_->isNull()) return {};
    // Two pixels a point, then fitted to the box keeping the proportions.
    const QSizeF natural(preview_->width() / 2.0, preview_->height() / 2.0);
    const QSizeF fitted = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void ScrollHUDPreviewBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().color(QPalette::WindowText);
    const QRectF bounds = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.setClipPath(shape);
    painter.fillRect(bounds, withAlpha(primary, 0.06));
    if (preview_ && !preview_->isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(previewRect(), *preview_);
    } else {
        paintArrow(painter);
    }
    painter.setClipping(false);
    painter.setPen(QPen(withAlpha(primary, 0.12), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
}

// An arrow onto a line, pointing where new content comes from.
void ScrollHUDPreviewBox::paintArrow(QPainter& painter) const {
    QColor secondary = palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.55f);
    painter.setPen(QPen(secondary, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double size = std::min(width(), height()) * 0.32;
    const QPointF centre = QRectF(rect()).center();
    const double sign = orientation_ == AutoScrollDirection::down ? 1 : -1;
    const QPointF tip = centre + QPointF(0, sign * size * 0.35);
    painter.drawLine(centre - QPointF(0, sign * size * 0.6), tip);
    painter.drawLine(tip, tip + QPointF(-size * 0.35, -sign * size * 0.35));
    painter.drawLine(tip, tip + QPointF(size * 0.35, -sign * size * 0.35));
    const QPointF line = centre + QPointF(0, sign * size * 0.62);
    painter.drawLine(line - QPointF(size * 0.55, 0), line + QPointF(size * 0.55, 0));
}

} // namespace quorvane
