#pragma once

#include <QPointer>
#include <QProxyStyle>

namespace quorvane {

class AccessibilityOptions;

// The application's style: a default push button that the keyboard rests on is framed as such.
// Qt's Fusion style outlines the default button and the focused one alike, so that Tab on Apply
// or Redact showed nothing. Increase Contrast widens the frame and draws it in the text colour.
class KeyboardFocusStyle : public QProxyStyle {
    Q_OBJECT

public:
    // On the application's current style; `options` may go before the style does.
    explicit KeyboardFocusStyle(const AccessibilityOptions* options);
    // Puts the style on the application; the application keeps it.
    static void install(const AccessibilityOptions& options);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    QPointer<const AccessibilityOptions> options_;
};

} // namespace quorvane
