#pragma once

// Text pasted into a text field (a file name, a text annotation, a number) while another program
// holds the clipboard: read without the window waiting for that program, then put into the field
// that asked, if it still has the keyboard. Qt's own fields wait for the holder on the GUI thread,
// up to seconds for each step when it hangs. Our own contents are pasted by the field itself.

#include "export/OfferReader.h"

#include <QObject>

class QWidget;

namespace quorvane {

class Clipboard;

class TextFieldPaste : public QObject {
public:
    // Text longer than this is no text a person pastes into a field.
    static constexpr std::int64_t longestText = std::int64_t{4} << 20;

    explicit TextFieldPaste(Clipboard& clipboard, QObject* parent = nullptr);
    ~TextFieldPaste() override;

    // Takes the paste keys (Ctrl+V, Shift+Insert) of every text field of the application.
    void watchApplication();
    // Pastes into `field`; false when it is no text field that takes text.
    bool paste(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clipboard& clipboard_;
    OfferReader reader_;
};

} // namespace quorvane
