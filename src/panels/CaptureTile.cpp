#include "panels/CaptureTile.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/SymbolIcons.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {

CaptureTile::CaptureTile(const SymbolIcons& icons, QString symbol, QString title, QWidget* parent)
    : QAbstractButton(parent), icons_(icons), symbol_(std::move(symbol)), title_(std::move(title)) {
    ChromeAccessible::install();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Capture ") + title_);
    setShortcutText(std::nullopt);
}

void CaptureTile::setShortcutText(const std::optional<QString>& shortcut) {
    shortcut_ = shortcut;
    QString help = QStringLiteral("Capture ") + title_.toLower();
    if (shortcut) help += QStringLiteral(" (") + *shortcut + QStringLiteral(")");
    setToolTip(help);
    setAccessibleDescription(shortcut ? QStringLiteral("Shortcut ") + *shortcut : QString());
    update();
}

QSize CaptureTile::sizeHint() const {
    return {120, minimumHeight};
}

void CaptureTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool lit = hovering_ && isEnabled();
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor primary = palette().color(QPalette::WindowText);
    QColor fill = lit ? accent : primary;
    fill.setAlphaF(lit ? 0.14f : 0.05f);
    QColor border = lit ? accent : primary;
    border.setAlphaF(lit ? 0.5f : 0.08f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
    // The keyboard's place, once the keyboard has moved it, as Qt's styles show it.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 9.5, 9.5);
        painter.setPen(QPen(accent, 2));
        painter.drawPath(ring);
    }

    const QColor ink = isEnabled() ? primary : palette().color(QPalette::Disabled, QPalette::WindowText);
    QFont titleFont = font();
    titleFont.setWeight(QFont::Medium);
    QFont shortcutFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    shortcutFont.setPointSizeF(std::max(8.0, font().pointSizeF() - 1));
    const int titleHeight = QFontMetrics(titleFont).height();
    const int shortcutHeight = QFontMetrics(shortcutFont).height();
    const int stack = 26 + 3 + titleHeight + 3 + shortcutHeight;
    int y = (height() - stack) / 2;
    icons_.paint(painter, symbol_, QRectF(width() / 2.0 - 11, y + 2, 22, 22), ink);
    y += 26 + 3;
    painter.setPen(ink);
    painter.setFont(titleFont);
    painter.drawText(QRect(0, y, width(), titleHeight), Qt::AlignHCenter | Qt::AlignVCenter, title_);
    y += titleHeight + 3;
    QColor secondary = ink;
    secondary.setAlphaF(0.6f);
    painter.setPen(secondary);
    painter.setFont(shortcutFont);
    painter.drawText(QRect(0, y, width(), shortcutHeight), Qt::AlignHCenter | Qt::AlignVCenter,
                     shortcutLine());
}

void CaptureTile::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovering_ = true;
    update();
}

void CaptureTile::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovering_ = false;
    update();
}

void CaptureTile::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

} // namespace quorvane
