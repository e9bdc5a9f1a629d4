#pragma once

// Images that become the document outside a capture (an opened or dropped file, the reopened
// last export, a stitched scrolling capture) and the way back to the previous document, each with
// its status. Every replacement passes the handover's rule; a refusal says why nothing opened.

#include "capture/DocumentHandover.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class CaptureController;

class DocumentOpening {
public:
    explicit DocumentOpening(CaptureController& controller) : controller_(controller) {}

    // Appended to a success status when the replaced document was kept as the previous one.
    static QString keptSentence(bool kept);

    // The handover, with the refusal's status.
    void replace(const QImage& image, const std::optional<QString>& name, double pixelScale,
                 DocumentHandover::Replaced done, std::shared_ptr<bool> withdrawn = {});
    // A reopened image keeps the error shown and drops the name.
    void open(const QImage& image, const std::optional<QString>& name, bool reopening,
              std::function<void(bool opened)> done);
    void openScrollingCapture(const QImage& image, double pixelScale, bool partial,
                              const std::optional<QString>& reason);
    void restorePrevious();

private:
    CaptureController& controller_;
};

} // namespace quorvane
