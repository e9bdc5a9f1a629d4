#include "panels/PinCloseButton.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/SymbolIcons.h"

#include <QPainter>

namespace quorvane {

PinCloseButton::PinCloseButton(const SymbolIcons& icons, QWidget* parent)
    : QAbstractButton(parent), icons_(icons) {
    ChromeAccessible::install();
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Close pin"));
    setToolTip(QStringLiteral("Close Pin"));
}

void PinCloseButton::setAlpha(double alpha) {
    alpha_ = alpha;
    update();
}

void PinCloseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(alpha_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, isDown() ? 0.8f : 0.65f));
    painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    icons_.paint(painter, QStringLiteral("xmark"), QRectF(rect()).adjusted(5, 5, -5, -5), Qt::white,
                 SymbolIcons::Weight::bold);
}

} // namespace quorvane
