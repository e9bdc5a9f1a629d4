#pragma once

#include <QProxyStyle>

class QMenuBar;

namespace quorvane {

// The style of our menu bars: the title the keyboard rests on after Alt is drawn as the open
// one is. Qt's Fusion style shows nothing until a menu opens, so the keyboard's place in the bar
// was unseen.
class MenuBarKeyboardStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Gives `bar` the style, on the application's own; the bar keeps it.
    static void apply(QMenuBar& bar);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};

} // namespace quorvane
