#include "scrolling/DragSelectionOverlayView.h"

#include "core/Geometry.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace quorvane {
namespace {

// The outline's white line width; the black one beneath is 2 wider.
double lineWidth(bool highContrast) {
    return highContrast ? 2 : 1;
}

QSizeF pillSize(const QString& text) {
    const QFontMetricsF metrics(DragSelectionOverlayView::pillFont());
    return QSizeF(std::ceil(metrics.horizontalAdvance(text)) + 16, std::ceil(metrics.height()) + 8);
}

} // namespace

DragSelectionOverlayView::DragSelectionOverlayView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString DragSelectionOverlayView::hintText() {
    return QStringLiteral("Drag over the area · keep dragging to the bottom edge to scroll · Esc cancels");
}

const QFont& DragSelectionOverlayView::pillFont() {
    static const QFont font = [] {
        QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        f.setPixelSize(12);
        f.setWeight(QFont::Medium);
        return f;
    }();
    return font;
}

DragSelectionOverlayView::Layout DragSelectionOverlayView::layout(const DragScrollDisplay& display,
                                                                  const std::optional<QRectF>& selection,
                                                                  const QRectF& bounds) {
    Layout result;
    if (!selection) {
        const QString text = hintText();
        const QSizeF size = pillSize(text);
        result.hint = Pill{text, QRectF(QPointF(bounds.center().x() - size.width() / 2,
                                                bounds.top() + 64 - size.height() / 2),
                                        size)};
        return result;
    }
    const QRectF rect = selection->translated(-display.frame.topLeft());
    result.outline = rect;
    const double scale = std::isfinite(display.scale) && display.scale > 0 ? display.scale : 1;
    const QString text = QString::number(std::round(geom::width(rect) * scale), 'f', 0) +
                         QStringLiteral(" × ") +
                         QString::number(std::round(geom::height(rect) * scale), 'f', 0);
    const QSizeF size = pillSize(text);
    double x = geom::maxX(rect) - size.width();
    x = std::max(x, bounds.left() + 4);
    x = std::min(x, bounds.right() - size.width() - 4);
    double y = geom::maxY(rect) + 6;
    // Too close to the bottom: inside the selection, above its bottom edge.
    if (y + size.height() > bounds.bottom() - 4) y = geom::maxY(rect) - 6 - size.height();
    result.size = Pill{text, QRectF(QPointF(x, y), size)};
    return result;
}

void DragSelectionOverlayView::paint(QPainter& painter, const Layout& layout, bool highContrast) {
    painter.setRenderHint(QPainter::Antialiasing);
    if (layout.outline) {
        const double w = lineWidth(highContrast);
        const QRectF grown = layout.outline->adjusted(-0.5, -0.5, 0.5, 0.5);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, highContrast ? 1.0f : 0.55f), w + 2));
        painter.drawRect(grown);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, highContrast ? 1.0f : 0.95f), w));
        painter.drawRect(grown);
    }
    for (const auto& pill : {layout.hint, layout.size}) {
        if (!pill) continue;
        const double radius = pill->rect.height() / 2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, highContrast ? 1.0f : 0.8f));
        painter.drawRoundedRect(pill->rect, radius, radius);
        painter.setFont(pillFont());
        painter.setPen(Qt::white);
        const QFontMetricsF metrics(pillFont());
        painter.drawText(QPointF(pill->rect.left() + 8, pill->rect.top() + 4 + metrics.ascent()), pill->text);
    }
}

std::vector<QRectF> DragSelectionOverlayView::visibleParts(const Layout& layout, bool highContrast) {
    std::vector<QRectF> parts;
    if (layout.outline) {
        // The band the two strokes cover, as four strips.
        const double reach = 0.5 + (lineWidth(highContrast) + 2) / 2 + 1;
        const QRectF outer = layout.outline->adjusted(-reach, -reach, reach, reach);
        const double band = 2 * reach;
        parts.emplace_back(outer.left(), outer.top(), outer.width(), band);
        parts.emplace_back(outer.left(), outer.bottom() - band, outer.width(), band);
        parts.emplace_back(outer.left(), outer.top(), band, outer.height());
        parts.emplace_back(outer.right() - band, outer.top(), band, outer.height());
    }
    for (const auto& pill : {layout.hint, layout.size})
        if (pill) parts.push_back(pill->rect);
    return parts;
}

void DragSelectionOverlayView::setContent(const DragScrollDisplay& display,
                                          const std::optional<QRectF>& selection) {
    layout_ = layout(display, selection, QRectF(QPointF(), display.frame.size()));
    update();
}

void DragSelectionOverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paint(painter, layout_, increaseContrast());
}

} // namespace quorvane
