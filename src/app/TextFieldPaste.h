#pragma once

// Text pasted into a text field (a file name, a text annotation, a number) while another program
// holds the clipboard: read without the window waiting for that program, then put into the field
// that asked, if it still has the keyboard. Qt's own fields wait for the holder on the GUI thread,
// up to seconds for each step when it hangs. Our own contents are pasted by the field itself.
// Meanwhile the window's input waits, so that what is typed after the paste lands after it; a
// paste that brings no text, is given up as failed, or whose field lost the keyboard to another
// field of its window rings the bell. One given up by Escape says nothing.

#include "export/OfferReader.h"

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <memory>

class QWidget;

namespace quorvane {

class Beeper;
class Clipboard;
class ClipboardOffer;
class InputHold;

class TextFieldPaste : public QObject {
public:
    // Text longer than this is no text a person pastes into a field.
    static constexpr std::int64_t longestText = std::int64_t{4} << 20;

    TextFieldPaste(Clipboard& clipboard, InputHold& input, Beeper& beeper, QObject* parent = nullptr);
    ~TextFieldPaste() override;

    // Takes the paste keys (Ctrl+V, Shift+Insert) of every text field of the application.
    void watchApplication();
    // The text formats a field takes, in the order it prefers them.
    static QStringList types();

    // Pastes into `field`; false when it is no text field that takes text.
    bool paste(QWidget* field);
    // Puts the text another program dropped at `at` (in the coordinates of the view it fell on:
    // the field, or a text area's viewport) into `field`, once read; the input waits on `held`.
    void drop(QWidget* field, QPoint at, std::shared_ptr<ClipboardOffer> dropped, InputHold::Token held);
    // Gives up the paste or drop being read, for `why`: the bell says so if it failed.
    void giveUp(InputHold::Reason why);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clipboard& clipboard_;
    InputHold& input_;
    Beeper& beeper_;
    OfferReader reader_;
};

} // namespace quorvane
