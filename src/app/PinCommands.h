#pragma once

#include "core/Required.h"

#include <QObject>

namespace quorvane {

class CaptureController;
class ExportController;
class PinController;

// The shell's side of pinned screenshots: Pin Screenshot pins the current document's final image
// (where it was captured when the document is uncropped), Close All Pins closes them, and a pin's
// "Edit in Quorvane" reopens its image as the document.
class PinCommands : public QObject {
    Q_OBJECT

public:
    // Everything passed outlives the commands.
    // `commitEditing` ends text being typed in the editor, so that the pin shows it.
    PinCommands(PinController& pins, CaptureController& captures, ExportController& exporter,
                Required<void()> commitEditing, QObject* parent = nullptr);

    void pinScreenshot();
    void closeAllPins();
    bool pinsOpen() const;

Q_SIGNALS:
    // A confirmation for the status item ("Pin failed: …").
    void confirmation(const QString& message);

private:
    PinController& pins_;
    CaptureController& captures_;
    ExportController& exporter_;
    Required<void()> commitEditing_;
};

} // namespace quorvane
