#pragma once

#include <QObject>

class QAbstractButton;

namespace quorvane {

// Return and keypad Enter press the button that has the keyboard, as Space does, in every window
// of the program; where no button has it, they stay with the window (a dialog's default button,
// the canvas). Qt presses a focused button on Return only in a dialog and only a push button that
// is auto-default. Buttons that choose or toggle (tools, segments, check boxes, presets) leave
// Return to the window; those that open a menu at once open it themselves (MenuButton).
class ButtonReturnKey : public QObject {
    Q_OBJECT

public:
    // Watches the application's keys, once: the composition root and each window of ours with
    // buttons call it.
    static void install();
    // `button` chooses a value in its window, as a check box does: Return goes on to the window.
    static void leaveToWindow(QAbstractButton& button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace quorvane
