#include "editor_window/ColorWell.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"
#include "editor_window/ColorPalettePopover.h"
#include "editor_window/EditorChrome.h"

#include <QPainter>

namespace quorvane {

ColorWell::ColorWell(EditorCanvasSettings& settings, QWidget* parent)
    : QAbstractButton(parent), settings_(settings) {
    ChromeAccessible::install();
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("Annotation color"));
    setAccessibleName(QStringLiteral("Annotation color"));
    connect(this, &QAbstractButton::clicked, this, &ColorWell::toggle);
    connect(&settings_.style(), &ToolStyle::colorChanged, this, &ColorWell::colorChanged);
}

QString ColorWell::accessibilityValue() const {
    return EditorChrome::paletteName(settings_.style().color()).value_or(QStringLiteral("Custom"));
}

bool ColorWell::isOpen() const {
    const ColorPalettePopover* open = popover_.data();
    return open != nullptr && open->isVisible();
}

ColorPalettePopover* ColorWell::popover() const {
    return isOpen() ? popover_.data() : nullptr;
}

void ColorWell::toggle() {
    if (isOpen()) {
        popover_->close();
        return;
    }
    // Made afresh each time, so it shows the palette's current state; it deletes itself on close.
    popover_ = new ColorPalettePopover(settings_, this);
    popover_->showBelow(this, pointerClick_ ? ColorPalettePopover::Focus::left
                                            : ColorPalettePopover::Focus::onCurrent);
}

void ColorWell::colorChanged() {
    update();
    ChromeAccessible::valueChanged(*this);
}

void ColorWell::mouseReleaseEvent(QMouseEvent* event) {
    pointerClick_ = true;
    QAbstractButton::mouseReleaseEvent(event);
    pointerClick_ = false;
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF circle(width() / 2.0 - 8, height() / 2.0 - 8, 16, 16);
    ChromePainting::swatch(painter, circle, settings_.style().color(), palette().color(QPalette::WindowText));
    if (hasFocus()) ChromePainting::focusRing(painter, rect(), palette().color(QPalette::Highlight));
}

} // namespace quorvane
