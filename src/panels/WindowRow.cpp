#include "panels/WindowRow.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvane {

WindowRow::WindowRow(const CaptureWindow& window, QIcon icon, QWidget* parent)
    : QAbstractButton(parent), window_(window), icon_(std::move(icon)) {
    setAccessibleName(QStringLiteral("Capture ") + label(window));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

QString WindowRow::applicationName(const CaptureWindow& window) {
    // A program that names its process but not itself is still an application.
    return window.owningApplication && !window.owningApplication->applicationName.isEmpty()
               ? window.owningApplication->applicationName
               : QStringLiteral("Application");
}

QString WindowRow::subtitle(const CaptureWindow& window) {
    return window.title.isEmpty() ? QStringLiteral("Untitled window") : window.title;
}

QString WindowRow::sizeText(const CaptureWindow& window) {
    const auto whole = [](double value) {
        return std::isfinite(value) ? QString::number(static_cast<long long>(std::trunc(value)))
                                    : QStringLiteral("0");
    };
    return whole(window.frame.width()) + QStringLiteral(" × ") + whole(window.frame.height());
}

QString WindowRow::label(const CaptureWindow& window) {
    QString text = applicationName(window);
    if (!window.title.isEmpty()) text += QStringLiteral(", ") + window.title;
    return text;
}

QSize WindowRow::sizeHint() const {
    return {380, 44};
}

void WindowRow::keyPressEvent(QKeyEvent* event) {
    // The arrows are the list's, which moves the keyboard between rows: a button would pass it
    // on to the next control.
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down || event->key() == Qt::Key_Left ||
        event->key() == Qt::Key_Right) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void WindowRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF row = QRectF(rect()).adjusted(6, 4, -6, -4);
    if (hovering_) {
        QPainterPath shape;
        shape.addRoundedRect(row, 6, 6);
        QColor accent = palette().color(QPalette::Highlight);
        accent.setAlphaF(0.12f);
        painter.fillPath(shape, accent);
    }
    // The keyboard's row is framed, its texts left as they are.
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(row.adjusted(1, 1, -1, -1), 5, 5);
    }
    const QRectF iconRect(row.left() + 4, row.center().y() - 14, 28, 28);
    painter.drawPixmap(iconRect.toRect(), icon_.pixmap(28, 28));
    const QColor ink = palette().color(QPalette::WindowText);
    QColor secondary = ink, tertiary = ink;
    secondary.setAlphaF(0.65f);
    tertiary.setAlphaF(0.45f);
    QFont caption = font();
    caption.setPointSizeF(std::max(7.0, font().pointSizeF() - 1.5));
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(caption.pointSizeF());
    const QString size = sizeText(window_);
    const int sizeWidth = QFontMetrics(digits).horizontalAdvance(size);
    const double textLeft = iconRect.right() + 10;
    const double textWidth = std::max(0.0, row.right() - 8 - sizeWidth - 10 - textLeft);
    QFont name = font();
    name.setWeight(QFont::Medium);
    const int nameHeight = QFontMetrics(name).height(), captionHeight = QFontMetrics(caption).height();
    const double top = row.center().y() - (nameHeight + 1 + captionHeight) / 2.0;
    painter.setFont(name);
    painter.setPen(ink);
    painter.drawText(QRectF(textLeft, top, textWidth, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(name).elidedText(applicationName(window_), Qt::ElideRight, int(textWidth)));
    painter.setFont(caption);
    painter.setPen(secondary);
    painter.drawText(QRectF(textLeft, top + nameHeight + 1, textWidth, captionHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(caption).elidedText(subtitle(window_), Qt::ElideRight, int(textWidth)));
    painter.setFont(digits);
    painter.setPen(tertiary);
    painter.drawText(QRectF(row.right() - 8 - sizeWidth, row.top(), sizeWidth, row.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);
}

void WindowRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovering_ = true;
    update();
}

void WindowRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovering_ = false;
    update();
}

} // namespace quorvane
