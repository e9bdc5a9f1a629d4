#include "canvas/ColorLoupeView.h"

#include "canvas/ColorSampler.h"
#include "document/DigitFont.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {
namespace {

constexpr double gridOrigin = 8;
constexpr double cell = 9;
constexpr int cells = 15;

void checkerboard(QPainter& painter, const QRectF& r) {
    painter.fillRect(r, QColor::fromRgbF(0.85f, 0.85f, 0.85f));
    const double half = r.width() / 2;
    const QColor dark = QColor::fromRgbF(0.6f, 0.6f, 0.6f);
    painter.fillRect(QRectF(r.x(), r.y(), half, half), dark);
    painter.fillRect(QRectF(r.x() + half, r.y() + half, half, half), dark);
}

QFont sized(QFont font, double pixels, QFont::Weight weight) {
    font.setPixelSize(qRound(pixels));
    font.setWeight(weight);
    return font;
}

} // namespace

QFont ColorLoupeView::hexFont() {
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), 15, QFont::DemiBold);
}

QFont ColorLoupeView::valueFont() {
    return tabularDigitFont(
        sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 10.5, QFont::Normal));
}

ColorLoupeView::ColorLoupeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(loupeWidth, loupeHeight);
    hide();
}

void ColorLoupeView::update(const ColorSampler& sampler, int x, int y) {
    auto next = sampler.neighborhood(x, y, cells / 2);
    if (next == colors_ && point_ == std::pair(x, y)) return;
    colors_ = std::move(next);
    point_ = std::pair(x, y);
    ++updateCount_;
    QWidget::update();
}

void ColorLoupeView::paintEvent(QPaintEvent*) {
    const bool hc = increaseContrast ? increaseContrast() : false;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, hc ? 1.0f : 0.25f), hc ? 1.5 : 1.0));
    painter.setBrush(QColor::fromRgbF(0, 0, 0, hc ? 1.0f : 0.88f));
    painter.drawRoundedRect(panel, 10, 10);

    const QRectF grid(gridOrigin, gridOrigin, cell * cells, cell * cells);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(grid);
    for (int i = 0; i < cells * cells; ++i) {
        const QRectF r(gridOrigin + cell * (i % cells), gridOrigin + cell * (i / cells), cell, cell);
        const auto entry = i < static_cast<int>(colors_.size()) ? colors_[i] : std::nullopt;
        if (!entry || entry->alpha < 255) checkerboard(painter, r);
        if (entry) painter.fillRect(r, QColor(entry->red, entry->green, entry->blue, entry->alpha));
    }
    const QColor line = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.35f);
    for (int k = 1; k < cells; ++k) {
        painter.fillRect(QRectF(gridOrigin + cell * k - 0.25, gridOrigin, 0.5, grid.height()), line);
        painter.fillRect(QRectF(gridOrigin, gridOrigin + cell * k - 0.25, grid.width(), 0.5), line);
    }
    painter.restore();

    const auto centre = colors_.empty() ? std::nullopt : colors_[colors_.size() / 2];
    const bool light = centre && centre->luminance() > 0.4;
    const QRectF mark(gridOrigin + cell * 7, gridOrigin + cell * 7, cell, cell);
    // Crisp lines: a blurred mark would hide the one pixel it points at.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(light ? Qt::white : Qt::black, 3));
    painter.drawRect(mark.adjusted(-1.5, -1.5, 1.5, 1.5));
    painter.setPen(QPen(light ? Qt::black : Qt::white, 1));
    painter.drawRect(mark.adjusted(-1, -1, 1, 1));

    const double textTop = grid.bottom() + 6;
    painter.setPen(Qt::white);
    painter.setFont(hexFont());
    painter.drawText(QRectF(8, textTop, width() - 16, 19), Qt::AlignLeft | Qt::AlignTop,
                     centre ? centre->hex() : QStringLiteral("\u2014"));
    painter.setPen(QColor::fromRgbF(1, 1, 1, hc ? 1.0f : 0.8f));
    painter.setFont(valueFont());
    painter.drawText(QRectF(8, textTop + 19, width() - 16, 14), Qt::AlignLeft | Qt::AlignTop,
                     centre ? centre->rgbString() : QStringLiteral("Outside image"));
    if (point_)
        painter.drawText(QRectF(8, textTop + 33, width() - 16, 14), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("X %1  Y %2").arg(point_->first).arg(point_->second));
}

} // namespace quorvane
