#include "panels/ThumbnailContentView.h"

#include "panels/ThumbnailView.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {

ThumbnailContentView::ThumbnailContentView(ThumbnailModel& model, const SymbolIcons& icons,
                                           const AccessibilityOptions& accessibility, QWidget* parent)
    : QWidget(parent) {
    view_ = new ThumbnailView(model, icons, accessibility, this);
}

void ThumbnailContentView::setImage(const QImage& image) {
    image_ = image;
    scaled_ = QImage();
    // A new image shows at once, without a cross-fade.
    update();
}

void ThumbnailContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->setGeometry(cardRect());
    scaled_ = QImage();
}

QRectF ThumbnailContentView::imageRect() const {
    const QRectF card = cardRect();
    if (image_.isNull()) return {};
    const QSizeF fitted = QSizeF(image_.size()).scaled(card.size(), Qt::KeepAspectRatio);
    return {card.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted};
}

const QImage& ThumbnailContentView::scaledImage(const QSizeF& size) {
    const double ratio = devicePixelRatioF();
    const QSize pixels = (size * ratio).toSize();
    if (scaled_.isNull() || scaled_.size() != pixels) {
        // Halve cheaply first, then filter the last step: a 4K capture scales in a few
        // milliseconds, not in one slow smooth pass.
        QImage step = image_;
        while (step.width() > 4 * pixels.width() && step.height() > 4 * pixels.height())
            step = step.scaled(step.size() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        scaled_ = step.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(ratio);
    }
    return scaled_;
}

void ThumbnailContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF card = cardRect();
    QPainterPath shape;
    shape.addRoundedRect(card, cornerRadius, cornerRadius);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.94f);
    painter.fillPath(shape, material);
    if (image_.isNull()) return;
    painter.setClipPath(shape);
    // The image keeps its aspect ratio inside the card.
    const QRectF target = imageRect();
    if (target.isEmpty()) return;
    painter.drawImage(target.topLeft(), scaledImage(target.size()));
}

void ThumbnailContentView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    Q_EMIT hoverChanged(true);
}

void ThumbnailContentView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    Q_EMIT hoverChanged(false);
}

} // namespace quorvane
