#include "editor_window/PresetButton.h"

#include "core/ButtonReturnKey.h"
#include "editor_window/BackdropModel.h"
#include "editor_window/ChromeAccessible.h"

#include <QLinearGradient>
#include <QPainter>

namespace quorvane {

PresetButton::PresetButton(Backdrop::Preset preset, QWidget* parent)
    : QAbstractButton(parent), preset_(preset), fill_(Backdrop::preset(preset, 1).fill) {
    ChromeAccessible::install();
    setToolTip(displayName(preset));
    setAccessibleName(displayName(preset) + QStringLiteral(" preset"));
    setFocusPolicy(Qt::StrongFocus);
    // A swatch to choose, where the sheet opens with the keyboard: Return applies the sheet.
    ButtonReturnKey::leaveToWindow(*this);
    setFixedSize(sizeHint());
}

void PresetButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, 5, 5);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    if (const auto* solid = std::get_if<Backdrop::Solid>(&fill_)) {
        painter.fillPath(shape, solid->color.color());
    } else if (const auto* gradient = std::get_if<Backdrop::Gradient>(&fill_)) {
        QLinearGradient paint(frame.topLeft(), frame.bottomRight());
        paint.setColorAt(0, gradient->first.color());
        paint.setColorAt(1, gradient->second.color());
        painter.fillPath(shape, paint);
    } else {
        QPen dashed(secondary, 1.2, Qt::DashLine);
        painter.setPen(dashed);
        painter.drawRect(QRectF(0, 0, 14, 14).translated(frame.center() - QPointF(7, 7)));
    }
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.25f);
    painter.setPen(QPen(isDown() || hasFocus() ? palette().color(QPalette::Highlight) : border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, 5, 5);
}

} // namespace quorvane
