#include "editor_window/ToolButton.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"
#include "editor_window/SymbolIcons.h"

#include <QFontDatabase>
#include <QPainter>

namespace quorvane {

ToolButton::ToolButton(const SymbolIcons& icons, QString symbol, QString title, std::optional<QString> note,
                       std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), icons_(icons), symbol_(std::move(symbol)) {
    ChromeAccessible::install();
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
    setTitle(std::move(title), note);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

void ToolButton::setGlyph(const QString& glyph) {
    glyph_ = glyph;
    update();
}

void ToolButton::setSymbol(const QString& symbol) {
    if (symbol == symbol_) return;
    symbol_ = symbol;
    update();
}

void ToolButton::setTitle(const QString& title, const std::optional<QString>& note) {
    title_ = title;
    setToolTip(toolTipText(title, note));
    setAccessibleName(title);
}

void ToolButton::setHelp(const QString& help) {
    setToolTip(help);
}

void ToolButton::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    setChecked(active);
    update();
}

QString ToolButton::toolTipText(const QString& title, const std::optional<QString>& note) {
    if (!note) return title;
    return title + QStringLiteral(" — ") + *note;
}

void ToolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor primary = palette().color(QPalette::WindowText);
    const QRectF frame = rect();
    if (active_)
        ChromePainting::fillRounded(painter, frame, accent, 0.18);
    else if (hovering_)
        ChromePainting::fillRounded(painter, frame, primary, 0.08);
    if (hasFocus()) ChromePainting::focusRing(painter, frame, accent);
    const QColor foreground = isEnabled() ? (active_ ? accent : primary)
                                          : palette().color(QPalette::Disabled, QPalette::WindowText);
    if (!glyph_.isEmpty()) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(17);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(foreground);
        painter.drawText(frame, Qt::AlignCenter, glyph_);
        return;
    }
    const double side = 16;
    const QRectF box(frame.center().x() - side / 2, frame.center().y() - side / 2, side, side);
    icons_.paint(painter, symbol_, box, foreground,
                 active_ ? SymbolIcons::Weight::bold : SymbolIcons::Weight::regular);
}

void ToolButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ToolButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quorvane
