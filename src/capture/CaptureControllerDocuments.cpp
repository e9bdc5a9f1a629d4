// The capture controller's making, its published fields and cancelling; the bookkeeping of the
// one question about the previous document; and images that become the document outside a
// capture (an opened or dropped file, the reopened last export, a stitched scrolling capture) and
// the way back to the previous document, each with its status. A refusal says why nothing opened.

#include "capture/CaptureController.h"
#include "core/Geometry.h"

#include <QCursor>
#include <utility>

namespace quorvane {

CaptureController::CaptureController(CaptureService& service, AreaSelectionOverlay& overlay,
                                     Questions questions, QObject* parent)
    : QObject(parent), commitEditing(std::move(questions.commitEditing)),
      isDirty(std::move(questions.isDirty)), mayDiscardPrevious(std::move(questions.mayDiscardPrevious)),
      includedWindowIDs(std::move(questions.includedWindowIDs)),
      pointerPosition([] { return QPointF(QCursor::pos()); }), screenFor(screenForDisplay),
      sleep(CaptureDelay::timerSleep()), service_(service), overlay_(overlay),
      permissionGranted_(service.preflightAccess()), statusMessage_(QString::fromUtf8(initialStatus)) {}

CaptureController::~CaptureController() {
    destroying_ = true;
    cancelSession();
    // A question still out is dropped and the replacements waiting for it never run; the
    // documents go before the rest of the controller.
    if (std::exchange(asking_, false)) ++questionID_;
    askingFor_.reset();
    waitingReplacements_.clear();
    qDeleteAll(findChildren<EditorDocument*>(Qt::FindDirectChildrenOnly));
}

Error CaptureController::failure(const QString& message) {
    return Error{QString::fromLatin1(errorDomain), 1, message};
}

QString CaptureController::pixelSize(const QImage& image) {
    return QString::number(image.width()) + QStringLiteral(" × ") + QString::number(image.height());
}

bool CaptureController::isPermissionError(const Error& error) {
    if (isFailure(error, CaptureFailure::permissionRequired)) return true;
    return error.domain == QLatin1String(CaptureService::errorDomain) &&
           error.code == CaptureService::userDeclined;
}

std::vector<QWidget*> CaptureController::ownedWindows() const {
    if (QWidget* window = overlay_.window(); window != nullptr && overlay_.isOpen()) return {window};
    return {};
}

// ---- Published fields

template<class T>
void CaptureController::update(T& field, T value, void (CaptureController::*changed)()) {
    if (field == value) return;
    field = std::move(value);
    Q_EMIT(this->*changed)();
}

void CaptureController::setPermissionGranted(bool granted) {
    update(permissionGranted_, granted, &CaptureController::permissionGrantedChanged);
}

void CaptureController::setErrorMessage(const std::optional<QString>& message) {
    setError(message, message ? errorIsRetryable_ : false);
}

void CaptureController::setErrorIsRetryable(bool retryable) {
    update(errorIsRetryable_, retryable, &CaptureController::errorIsRetryableChanged);
}

void CaptureController::setError(const std::optional<QString>& message, bool retryable) {
    // Both change before either is announced, so that no observer sees Retry on a cleared error.
    const bool messageChanged = errorMessage_ != message;
    const bool retryChanged = errorIsRetryable_ != retryable;
    errorMessage_ = message;
    errorIsRetryable_ = retryable;
    if (messageChanged) Q_EMIT errorMessageChanged();
    if (retryChanged) Q_EMIT errorIsRetryableChanged();
}

void CaptureController::setStatus(const QString& status) {
    update(statusMessage_, status, &CaptureController::statusMessageChanged);
}

void CaptureController::setBusy(bool busy) {
    update(isBusy_, busy, &CaptureController::busyChanged);
}

void CaptureController::setCountingDown(bool counting) {
    update(isCountingDown_, counting, &CaptureController::countingDownChanged);
}

void CaptureController::setWindows(std::vector<CaptureWindow> windows) {
    update(windows_, std::move(windows), &CaptureController::windowsChanged);
}

void CaptureController::setSelectedWindowID(WindowID id) {
    update(selectedWindowID_, id, &CaptureController::selectedWindowIDChanged);
}

void CaptureController::setChoosingWindow(bool choosing) {
    update(isChoosingWindow_, choosing, &CaptureController::choosingWindowChanged);
}

void CaptureController::setLastCaptureFrame(const std::optional<QRectF>& frame) {
    const bool same = frame.has_value() == lastCaptureFrame_.has_value() &&
                      (!frame || geom::exactlyEqual(*frame, *lastCaptureFrame_));
    if (same) return;
    lastCaptureFrame_ = frame;
    Q_EMIT lastCaptureFrameChanged();
}

void CaptureController::setCaptureDelay(int seconds) {
    update(captureDelay_, seconds, &CaptureController::captureDelayChanged);
}

// ---- Cancelling

void CaptureController::cancel() {
    cancelSession();
    overlay_.finish(Failure{cancellationError()});
}

void CaptureController::cancelSession() {
    const auto session = session_;
    if (!session || session->cancelled || session->ended) return;
    session->cancelled = true;
    // Between two waits the next step ends the capture; a pending wait ends now.
    const Waiting waiting = std::exchange(session->waiting, Waiting::nothing);
    session->timeout.stop();
    switch (waiting) {
    case Waiting::countdown:
        if (session->stopSleep) session->stopSleep();
        setCountingDown(false);
        break;
    case Waiting::picker:
        overlay_.cancel(session->selection);
        break;
    case Waiting::question:
        withdrawReplacement(session->withdrawn);
        break;
    case Waiting::nothing:
    case Waiting::turn:
    case Waiting::listing:
    case Waiting::screenshot:
        break;
    }
    if (waiting != Waiting::nothing) failCapture(cancellationError());
}

// ---- The one question out about the previous document

void CaptureController::withdrawReplacement(const std::shared_ptr<bool>& withdrawn) {
    if (!withdrawn) return;
    *withdrawn = true;
    if (askingFor_ == withdrawn) dropQuestion();
}

void CaptureController::dropQuestion() {
    if (!asking_) return;
    asking_ = false;
    askingFor_.reset();
    ++questionID_;
    runWaitingReplacements();
}

void CaptureController::runWaitingReplacements() {
    while (!asking_ && !waitingReplacements_.empty()) {
        auto next = std::move(waitingReplacements_.front());
        waitingReplacements_.erase(waitingReplacements_.begin());
        next();
    }
}

// ---- Documents outside a capture

void CaptureController::openImage(const QImage& image, const std::optional<QString>& name,
                                  std::function<void(bool)> done) {
    openDocument(image, name, std::move(done), Opening::file);
}

void CaptureController::reopenImage(const QImage& image, std::function<void(bool)> done) {
    openDocument(image, std::nullopt, std::move(done), Opening::reopen);
}

void CaptureController::openDocument(const QImage& image, const std::optional<QString>& name,
                                     std::function<void(bool)> done, Opening opening) {
    setLastCaptureFrame(std::nullopt);
    if (busyOrAsking()) {
        if (done) done(false);
        return;
    }
    const bool reopening = opening == Opening::reopen;
    if (!reopening) setErrorMessage(std::nullopt);
    const QString size = pixelSize(image);
    replaceDocument(image, reopening ? std::nullopt : name, 1.0,
                    [this, size, name, reopening, done = std::move(done)](std::optional<bool> kept) {
                        if (!kept) {
                            if (done) done(false);
                            return;
                        }
                        const QString status =
                            reopening ? QStringLiteral("Reopened ") + size + QStringLiteral(" pixels.")
                                      : QStringLiteral("Opened ") + name.value_or(QStringLiteral("image")) +
                                            QStringLiteral(" (") + size + QStringLiteral(" pixels).");
                        setStatus(status + keptSentence(*kept));
                        Q_EMIT reopened();
                        if (done) done(true);
                    });
}

void CaptureController::openScrollingCapture(const QImage& image, double pixelScale, Stitching stitching,
                                             const std::optional<QString>& reason) {
    setLastCaptureFrame(std::nullopt);
    replaceDocument(image, std::nullopt, pixelScale,
                    [this, size = pixelSize(image), stitching, reason](std::optional<bool> kept) {
                        if (!kept) return;
                        setStatus(QStringLiteral("Scrolling capture: ") + size + QStringLiteral(" pixels.") +
                                  keptSentence(*kept));
                        // A complete capture leaves no earlier warning standing: it would call a good
                        // capture broken.
                        if (stitching == Stitching::stoppedEarly)
                            setError(QStringLiteral("Partial scrolling capture — ") +
                                         reason.value_or(QStringLiteral("stitching stopped early")) +
                                         QStringLiteral(". The image so far is kept; you can save it."),
                                     false);
                        else
                            setErrorMessage(std::nullopt);
                        Q_EMIT reopened();
                    });
}

void CaptureController::restorePreviousDocument() {
    setLastCaptureFrame(std::nullopt);
    if (busyOrAsking() || previousDocument() == nullptr) return;
    // The text being typed goes with the document it was typed on.
    commitEditing();
    setDocuments(previousDocument_.data(), document_.data());
    setStatus(QStringLiteral("Restored previous document."));
}

void CaptureController::requestPermission() {
    if (busyOrAsking()) return;
    const bool granted = service_.requestAccess();
    setPermissionGranted(granted);
    setErrorMessage(granted ? std::nullopt
                            : std::optional<QString>(message(CaptureFailure::permissionRequired)));
    setStatus(granted ? QStringLiteral("Permission available. Retry capture.")
                      : QStringLiteral("Screen Recording permission required."));
}

} // namespace quorvane
