#include "capture/DocumentOpening.h"

#include "capture/CaptureController.h"

#include <utility>

namespace quorvane {

QString DocumentOpening::keptSentence(bool kept) {
    return kept ? QStringLiteral(" Unexported changes kept: File ▸ Restore Previous Document.") : QString();
}

void DocumentOpening::replace(const QImage& image, const std::optional<QString>& name, double pixelScale,
                              DocumentHandover::Replaced done, std::shared_ptr<bool> withdrawn) {
    controller_.handover_.replace(
        image, name, pixelScale,
        [this, done = std::move(done)](std::optional<bool> kept) {
            if (!kept)
                controller_.setStatus(QStringLiteral(
                    "The new image was not opened, so both documents with unexported changes are kept."));
            done(kept);
        },
        std::move(withdrawn));
}

void DocumentOpening::open(const QImage& image, const std::optional<QString>& name, bool reopening,
                           std::function<void(bool)> done) {
    CaptureController& c = controller_;
    c.setLastCaptureFrame(std::nullopt);
    if (c.handoverBusy()) {
        if (done) done(false);
        return;
    }
    if (!reopening) c.setErrorMessage(std::nullopt);
    const QString size = CaptureController::pixelSize(image);
    replace(image, reopening ? std::nullopt : name, 1.0,
            [&c, size, name, reopening, done = std::move(done)](std::optional<bool> kept) {
                if (!kept) {
                    if (done) done(false);
                    return;
                }
                const QString status =
                    reopening ? QStringLiteral("Reopened ") + size + QStringLiteral(" pixels.")
                              : QStringLiteral("Opened ") + name.value_or(QStringLiteral("image")) +
                                    QStringLiteral(" (") + size + QStringLiteral(" pixels).");
                c.setStatus(status + keptSentence(*kept));
                c.onReopened();
                if (done) done(true);
            });
}

void DocumentOpening::openScrollingCapture(const QImage& image, double pixelScale, bool partial,
                                           const std::optional<QString>& reason) {
    CaptureController& c = controller_;
    c.setLastCaptureFrame(std::nullopt);
    replace(image, std::nullopt, pixelScale,
            [&c, size = CaptureController::pixelSize(image), partial, reason](std::optional<bool> kept) {
                if (!kept) return;
                c.setStatus(QStringLiteral("Scrolling capture: ") + size + QStringLiteral(" pixels.") +
                            keptSentence(*kept));
                if (partial)
                    c.setError(QStringLiteral("Partial scrolling capture — ") +
                                   reason.value_or(QStringLiteral("stitching stopped early")) +
                                   QStringLiteral(". The image so far is kept; you can save it."),
                               false);
                c.onReopened();
            });
}

void DocumentOpening::restorePrevious() {
    CaptureController& c = controller_;
    c.setLastCaptureFrame(std::nullopt);
    if (c.handoverBusy() || c.previousDocument() == nullptr) return;
    c.willReplaceDocument();
    c.handover_.swap();
    c.setStatus(QStringLiteral("Restored previous document."));
}

} // namespace quorvane
