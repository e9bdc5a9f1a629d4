#include "canvas/RulerOverlayView.h"

#include "core/Geometry.h"
#include "document/DigitFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvane {
namespace {

// A dark halo under a light line, so the ruler reads on any screenshot.
void strokeTwice(QPainter& painter, const QPainterPath& path, bool hc, double light, bool dashed) {
    const double w = hc ? 2 : 1;
    QPen pen(QColor::fromRgbF(0, 0, 0, hc ? 1.0f : 0.55f), w + 2);
    pen.setCapStyle(Qt::SquareCap);
    if (dashed) pen.setDashPattern({4 / (w + 2), 3 / (w + 2)});
    painter.strokePath(path, pen);
    pen.setColor(QColor::fromRgbF(1, 1, 1, hc ? 1.0f : static_cast<float>(light * 0.95)));
    pen.setWidthF(w);
    if (dashed) pen.setDashPattern({4 / w, 3 / w});
    painter.strokePath(path, pen);
}

bool finite(const QPointF& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

RulerOverlayView::RulerOverlayView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

QRectF RulerOverlayView::pillRect(const QPointF& a, const QPointF& b, const QSizeF& size,
                                  const QRectF& bounds) {
    const double W = size.width();
    const double H = size.height();
    const QPointF m = (a + b) / 2;
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    QPointF n(0, 1);
    if (length > 0) {
        n = QPointF(-(b.y() - a.y()) / length, (b.x() - a.x()) / length);
        if (n.y() < 0 || (n.y() == 0 && n.x() < 0)) n = -n;
    }
    const double offset = H * std::abs(n.y()) * 0.5 + W * std::abs(n.x()) * 0.5 + 8;
    const QRectF area = geom::insetBy(bounds, 4, 4);
    const auto centred = [&](const QPointF& c) { return QRectF(c.x() - W / 2, c.y() - H / 2, W, H); };
    QRectF r = centred(m + n * offset);
    if (!geom::contains(area, r)) {
        const QRectF other = centred(m - n * offset);
        if (geom::contains(area, other)) r = other;
    }
    const double x = std::min(std::max(r.x(), area.left()), std::max(area.left(), area.right() - W));
    const double y = std::min(std::max(r.y(), area.top()), std::max(area.top(), area.bottom() - H));
    return {x, y, W, H};
}

void RulerOverlayView::paintEvent(QPaintEvent*) {
    if (!measurement) return;
    const bool hc = increaseContrast ? increaseContrast() : false;
    const QPointF a = toView(measurement->start);
    const QPointF b = toView(measurement->end);
    if (!finite(a) || !finite(b)) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool diagonal =
        measurement->end.x() != measurement->start.x() && measurement->end.y() != measurement->start.y();
    if (diagonal) {
        const QPointF c = toView(QPointF(measurement->end.x(), measurement->start.y()));
        QPainterPath legs(a);
        legs.lineTo(c);
        legs.lineTo(b);
        strokeTwice(painter, legs, hc, 0.75, true);
    }
    QPainterPath line(a);
    line.lineTo(b);
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    if (length > 0) {
        const QPointF n(-(b.y() - a.y()) / length * 5, (b.x() - a.x()) / length * 5);
        line.moveTo(a - n);
        line.lineTo(a + n);
        line.moveTo(b - n);
        line.lineTo(b + n);
    }
    strokeTwice(painter, line, hc, 1.0, false);

    const QString text = measurement->label(unit, pixelScale);
    const QFont font = pillFont();
    const QFontMetricsF metrics(font);
    const QSizeF size(std::ceil(metrics.horizontalAdvance(text)) + 16, std::ceil(metrics.height()) + 8);
    const QRectF pill = pillRect(a, b, size, QRectF(rect()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, hc ? 1.0f : 0.8f));
    painter.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(pill.x() + 8, pill.y() + 4, pill.width() - 16, pill.height() - 8),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

QFont RulerOverlayView::pillFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    return tabularDigitFont(font);
}

} // namespace quorvane
