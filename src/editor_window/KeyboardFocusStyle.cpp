#include "editor_window/KeyboardFocusStyle.h"

#include "core/AccessibilityOptions.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionButton>

namespace quorvane {
namespace {

QString currentStyleName() {
    const QStyle* current = QApplication::style();
    // Not a proxy of a proxy when the program starts again in the same process (tests).
    if (const auto* proxy = qobject_cast<const QProxyStyle*>(current)) current = proxy->baseStyle();
    return current != nullptr ? current->name() : QString();
}

} // namespace

KeyboardFocusStyle::KeyboardFocusStyle(const AccessibilityOptions* options)
    : QProxyStyle(currentStyleName()), options_(options) {}

void KeyboardFocusStyle::install(const AccessibilityOptions& options) {
    QApplication::setStyle(new KeyboardFocusStyle(&options));
    // The focused control shows the new frame at once.
    connect(&options, &AccessibilityOptions::changed, QApplication::style(), [] {
        if (QWidget* focused = QApplication::focusWidget()) focused->update();
    });
}

void KeyboardFocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    // A click's focus shows nothing, as on every other control.
    if (element != CE_PushButton || button == nullptr ||
        !(button->features & QStyleOptionButton::DefaultButton) || !(option->state & State_HasFocus) ||
        !(option->state & State_KeyboardFocusChange))
        return;
    const AccessibilityOptions* options = options_;
    const bool strong = options != nullptr && options->increaseContrast();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    // Over the button's edge, with a light line inside it that parts it from any fill.
    const int width = strong ? 3 : 2;
    const QRectF frame = QRectF(option->rect).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0);
    painter->setPen(QPen(option->palette.color(strong ? QPalette::WindowText : QPalette::Highlight), width));
    painter->drawRoundedRect(frame, 3, 3);
    const double inside = width / 2.0 + 0.5;
    painter->setPen(QPen(option->palette.color(QPalette::Base), 1));
    painter->drawRoundedRect(frame.adjusted(inside, inside, -inside, -inside), 2, 2);
    painter->restore();
}

} // namespace quorvane
