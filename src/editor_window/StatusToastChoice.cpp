#include "editor_window/StatusToastChoice.h"

#include "capture/CaptureController.h"

namespace quorvane {

StatusToastChoice StatusToastChoice::choose(const CaptureController& capture, const QString& exportMessage) {
    StatusToastChoice choice;
    if (capture.isBusy() && capture.isCountingDown()) {
        choice.kind = Kind::countdown;
        choice.message = capture.statusMessage();
        choice.persistent = true;
        choice.showOnAppear = true;
    } else if (capture.isBusy()) {
        choice.kind = Kind::none;
    } else if (capture.errorMessage()) {
        choice.kind = Kind::error;
        choice.message = *capture.errorMessage();
        choice.symbol = QStringLiteral("exclamationmark.triangle.fill");
        choice.persistent = true;
        choice.showOnAppear = true;
        choice.retryable = capture.errorIsRetryable();
    } else {
        choice.kind = Kind::exportMessage;
        choice.message = exportMessage;
        // Case-sensitive on purpose: only our own failure texts say "failed".
        choice.symbol = exportMessage.contains(QStringLiteral("failed"))
                            ? QStringLiteral("exclamationmark.triangle.fill")
                            : QStringLiteral("checkmark.circle.fill");
    }
    return choice;
}

} // namespace quorvane
