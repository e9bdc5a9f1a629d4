#include "app/MenuBarKeyboardStyle.h"

#include <QMenuBar>
#include <QStyleOptionMenuItem>

namespace quorvane {

void MenuBarKeyboardStyle::apply(QMenuBar& bar) {
    auto* style = new MenuBarKeyboardStyle;
    style->setParent(&bar);
    bar.setStyle(style);
}

void MenuBarKeyboardStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const {
    // The bar holds the keyboard only between Alt and a menu opening or Escape.
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuBarItem && item != nullptr && widget != nullptr && widget->hasFocus() &&
        (item->state & State_Selected) && !(item->state & State_Sunken)) {
        QStyleOptionMenuItem shown = *item;
        shown.state |= State_Sunken;
        QProxyStyle::drawControl(element, &shown, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

} // namespace quorvane
