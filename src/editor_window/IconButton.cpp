#include "editor_window/IconButton.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"
#include "editor_window/SymbolIcons.h"

#include <QPainter>

namespace quorvane {

IconButton::IconButton(const SymbolIcons& icons, QString symbol, QString title, std::function<void()> action,
                       QWidget* parent)
    : QAbstractButton(parent), icons_(icons), symbol_(std::move(symbol)), title_(std::move(title)) {
    ChromeAccessible::install();
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus);
    setToolTip(title_);
    setAccessibleName(title_);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const double side = 15;
    const QRectF box(width() / 2.0 - side / 2, height() / 2.0 - side / 2, side, side);
    icons_.paint(painter, symbol_, box, isDown() ? color.darker(130) : color);
    if (hasFocus()) ChromePainting::focusRing(painter, rect(), palette().color(QPalette::Highlight));
}

} // namespace quorvane
