#include "support/PageDrawer.h"

#include "document/AnnotationDrawing.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

namespace quorvane::test {

namespace {

// A pixel counts as ink from a quarter of full coverage on: the faint fringe of anti-aliased
// glyphs is no part of what a box must cover.
constexpr int inkAlpha = 64;

} // namespace

PageDrawer::PageDrawer(const QString& name, QSizeF points, int scale, const QColor& background)
    : scale_(scale), image_(int(std::lround(points.width() * scale)),
                            int(std::lround(points.height() * scale)), QImage::Format_RGB32) {
    image_.fill(background);
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing);
    truth_.name = name;
    truth_.size = image_.size();
    truth_.scale = scale;
}

PageDrawer::~PageDrawer() = default;

int PageDrawer::px(qreal points) const {
    return int(std::lround(points * scale_));
}

QFont PageDrawer::font(const Style& style) const {
    QFont font(style.mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    font.setPixelSize(px(style.size));
    font.setBold(style.bold);
    return font;
}

qreal PageDrawer::width(const QString& text, const Style& style) const {
    return QFontMetricsF(font(style)).horizontalAdvance(text) / scale_;
}

void PageDrawer::fill(const QRectF& box, const QColor& color, qreal radius) {
    const QRectF scaled(box.topLeft() * scale_, box.size() * scale_);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(color);
    painter_->drawRoundedRect(scaled, radius * scale_, radius * scale_);
}

void PageDrawer::frame(const QRectF& box, const QColor& color, qreal radius, qreal width) {
    const qreal inset = width / 2;
    const QRectF scaled(box.adjusted(inset, inset, -inset, -inset).topLeft() * scale_,
                        box.adjusted(inset, inset, -inset, -inset).size() * scale_);
    painter_->setPen(QPen(color, width * scale_));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRoundedRect(scaled, radius * scale_, radius * scale_);
}

void PageDrawer::line(QPointF from, QPointF to, const QColor& color, qreal width) {
    painter_->setPen(QPen(color, width * scale_, Qt::SolidLine, Qt::RoundCap));
    painter_->drawLine(from * scale_, to * scale_);
}

void PageDrawer::disc(QPointF centre, qreal radius, const QColor& color) {
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(color);
    painter_->drawEllipse(centre * scale_, radius * scale_, radius * scale_);
}

void PageDrawer::ring(QPointF centre, qreal radius, const QColor& color, qreal width) {
    painter_->setPen(QPen(color, width * scale_));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawEllipse(centre * scale_, radius * scale_, radius * scale_);
}

void PageDrawer::polygon(const std::vector<QPointF>& points, const QColor& color) {
    QPainterPath path;
    for (std::size_t i = 0; i < points.size(); ++i)
        i == 0 ? path.moveTo(points[i] * scale_) : path.lineTo(points[i] * scale_);
    path.closeSubpath();
    painter_->setPen(Qt::NoPen);
    painter_->fillPath(path, color);
}

void PageDrawer::highlight(const QRectF& box, const QColor& color, double opacity) {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = AnnotationKind::highlight;
    a.rect = QRectF(box.topLeft() * scale_, box.size() * scale_);
    a.start = a.rect.topLeft();
    a.end = a.rect.bottomRight();
    a.color = color;
    a.opacity = opacity;
    drawAnnotation(a, *painter_, image_);
}

QRect PageDrawer::inkOf(const QString& word, const QFont& font, QPoint baseline) const {
    const QRect bounds = QFontMetrics(font).boundingRect(word).adjusted(-4, -4, 4, 4);
    QImage mask(bounds.size(), QImage::Format_Alpha8);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(-bounds.topLeft(), word);
    }
    QRect ink;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < mask.width(); ++x)
            if (row[x] >= inkAlpha) ink |= QRect(x, y, 1, 1);
    }
    return ink.translated(baseline + bounds.topLeft());
}

qreal PageDrawer::text(QPointF at, const QString& text, const Style& style, int column, int group) {
    runs(at, {{text, style.color}}, style, column, group);
    return width(text, style);
}

void PageDrawer::runs(QPointF at, const Runs& runs, const Style& style, int column, int group) {
    const QFont font = this->font(style);
    const QFontMetricsF metrics(font);
    QString all;
    std::vector<QColor> colors;
    for (const auto& [piece, color] : runs) {
        all += piece;
        colors.insert(colors.end(), std::size_t(piece.size()), color);
    }
    const int left = px(at.x());
    const int baseline = px(at.y()) + int(std::lround(metrics.ascent()));
    painter_->setFont(font);
    PageTruth::Line line{all, column, group, {}};
    // Word by word, each piece of one colour at a whole pixel, so that the ink found for a word
    // alone is the ink on the page.
    for (qsizetype start = 0; start < all.size();) {
        if (all[start].isSpace()) {
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < all.size() && !all[end].isSpace())
            ++end;
        PageTruth::Word word{all.mid(start, end - start), {}};
        for (qsizetype piece = start; piece < end;) {
            qsizetype pieceEnd = piece;
            while (pieceEnd < end && colors[std::size_t(pieceEnd)] == colors[std::size_t(piece)])
                ++pieceEnd;
            const QPoint origin(left + int(std::lround(metrics.horizontalAdvance(all.left(piece)))),
                                baseline);
            const QString text = all.mid(piece, pieceEnd - piece);
            painter_->setPen(colors[std::size_t(piece)]);
            painter_->drawText(origin, text);
            word.ink |= inkOf(text, font, origin);
            piece = pieceEnd;
        }
        line.words.push_back(word);
        start = end;
    }
    truth_.lines.push_back(line);
}

qreal PageDrawer::paragraph(QPointF at, qreal width, qreal spacing, const QString& text, const Style& style,
                            int column, int group) {
    QString line;
    qreal y = at.y();
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && this->width(longer, style) > width) {
            this->text({at.x(), y}, line, style, column, group);
            y += spacing;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) this->text({at.x(), y}, line, style, column, group), y += spacing;
    return y;
}

} // namespace quorvane::test
