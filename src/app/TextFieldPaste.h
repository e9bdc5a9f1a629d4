#pragma once

// Text pasted into a text field (a file name, a text annotation, a number) while another program
// holds the clipboard: read without the window waiting for that program, then put into the field
// that asked, if it still has the keyboard. Qt's own fields wait for the holder on the GUI thread,
// up to seconds for each step when it hangs. Our own contents are pasted by the field itself.
// Meanwhile the window's input waits, so that what is typed after the paste lands after it; a
// paste that brings no text, or is given up, rings the bell.

#include "export/OfferReader.h"

#include <QObject>

class QWidget;

namespace quorvane {

class Beeper;
class Clipboard;
class InputHold;

class TextFieldPaste : public QObject {
public:
    // Text longer than this is no text a person pastes into a field.
    static constexpr std::int64_t longestText = std::int64_t{4} << 20;

    TextFieldPaste(Clipboard& clipboard, InputHold& input, Beeper& beeper, QObject* parent = nullptr);
    ~TextFieldPaste() override;

    // Takes the paste keys (Ctrl+V, Shift+Insert) of every text field of the application.
    void watchApplication();
    // Pastes into `field`; false when it is no text field that takes text.
    bool paste(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clipboard& clipboard_;
    InputHold& input_;
    Beeper& beeper_;
    OfferReader reader_;
};

} // namespace quorvane
