#include "capture/CaptureController.h"

#include "core/Geometry.h"
#include "core/Log.h"
#include "document/EditorDocument.h"

#include <QCursor>
#include <QTimer>
#include <utility>

namespace quorvane {

CaptureController::CaptureController(CaptureService& service, AreaSelectionOverlay& overlay, QObject* parent)
    : QObject(parent), pointerPosition([] { return QPointF(QCursor::pos()); }), screenFor(screenForDisplay),
      sleep(CaptureDelay::timerSleep()), service_(service), overlay_(overlay),
      permissionGranted_(service.preflightAccess()), statusMessage_(QString::fromUtf8(initialStatus)) {
    // The shell sets its hooks here; the handover asks through them.
    handover_.willReplaceDocument = [this] { willReplaceDocument(); };
    handover_.isDirty = [this](EditorDocument* document) { return isDirty(document); };
    handover_.mayDiscardPrevious = [this](EditorDocument* previous, std::function<void(bool)> reply) {
        mayDiscardPrevious(previous, std::move(reply));
    };
    connect(&handover_, &DocumentHandover::documentChanged, this, &CaptureController::documentChanged);
    connect(&handover_, &DocumentHandover::previousDocumentChanged, this,
            &CaptureController::previousDocumentChanged);
}

CaptureController::~CaptureController() {
    destroying_ = true;
    if (const auto task = std::move(task_)) task->cancel();
}

// ---- Published fields

void CaptureController::setPermissionGranted(bool granted) {
    if (permissionGranted_ == granted) return;
    permissionGranted_ = granted;
    Q_EMIT permissionGrantedChanged();
}

void CaptureController::setErrorMessage(const std::optional<QString>& message) {
    setError(message, message ? errorIsRetryable_ : false);
}

void CaptureController::setErrorIsRetryable(bool retryable) {
    if (errorIsRetryable_ == retryable) return;
    errorIsRetryable_ = retryable;
    Q_EMIT errorIsRetryableChanged();
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
    if (statusMessage_ == status) return;
    statusMessage_ = status;
    Q_EMIT statusMessageChanged();
}

void CaptureController::setBusy(bool busy) {
    if (isBusy_ == busy) return;
    isBusy_ = busy;
    Q_EMIT busyChanged();
}

void CaptureController::setCountingDown(bool counting) {
    if (isCountingDown_ == counting) return;
    isCountingDown_ = counting;
    Q_EMIT countingDownChanged();
}

void CaptureController::setWindows(std::vector<CaptureWindow> windows) {
    if (windows_ == windows) return;
    windows_ = std::move(windows);
    Q_EMIT windowsChanged();
}

void CaptureController::setSelectedWindowID(WindowID id) {
    if (selectedWindowID_ == id) return;
    selectedWindowID_ = id;
    Q_EMIT selectedWindowIDChanged();
}

void CaptureController::setChoosingWindow(bool choosing) {
    if (isChoosingWindow_ == choosing) return;
    isChoosingWindow_ = choosing;
    Q_EMIT choosingWindowChanged();
}

void CaptureController::setLastCaptureFrame(const std::optional<QRectF>& frame) {
    const bool same = frame.has_value() == lastCaptureFrame_.has_value() &&
                      (!frame || geom::exactlyEqual(*frame, *lastCaptureFrame_));
    if (same) return;
    lastCaptureFrame_ = frame;
    Q_EMIT lastCaptureFrameChanged();
}

void CaptureController::setCaptureDelay(int seconds) {
    if (captureDelay_ == seconds) return;
    captureDelay_ = seconds;
    Q_EMIT captureDelayChanged();
}

// ---- Running a capture

Error CaptureController::failure(const QString& message) {
    return Error{QString::fromLatin1(errorDomain), 1, message};
}

QString CaptureController::pixelSize(const QImage& image) {
    return QString::number(image.width()) + QStringLiteral(" × ") + QString::number(image.height());
}

CaptureTask::Wait CaptureController::serviceWait() const {
    return CaptureTask::Wait{
        {},
        serviceTimeoutMs,
        CaptureService::error(CaptureService::connectionFailed,
                              QStringLiteral("The screen capture service did not answer."))};
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

void CaptureController::run(const QString& status, bool toOCR, Operation operation) {
    if (handoverBusy()) {
        oneShotDelay.reset();
        oneShotNote.reset();
        return;
    }
    setBusy(true);
    activeDelay_ = std::exchange(oneShotDelay, std::nullopt);
    activeNote_ = std::exchange(oneShotNote, std::nullopt);
    setErrorMessage(std::nullopt);
    setStatus(status);
    Log::capture().log("Capture started: {}", status);

    // The controller owns the task, so every resumption finds it alive.
    const auto task = CaptureTask::make([this](std::optional<Error> error) { finishBody(std::move(error)); });
    task_ = task;
    CaptureTask* running = task.get();
    // The body starts on a later turn of the event loop, never inside run().
    task->await<bool>(
        [](CaptureTask::Completion<bool> done) { QTimer::singleShot(0, [done] { done(true); }); },
        [this, running, toOCR, operation = std::move(operation)](bool) {
            operation(*running, [this, running, toOCR](Outcome outcome) {
                if (!running->check()) return;
                if (!outcome) return running->finish();
                handOver(*running, *outcome, toOCR);
            });
        });
}

void CaptureController::handOver(CaptureTask& task, const QImage& image, bool toOCR) {
    Log::capture().log("Capture succeeded: {}x{} px, ocr {}", image.width(), image.height(), toOCR);
    setPermissionGranted(true);
    if (toOCR) {
        setStatus(QStringLiteral("Recognizing text in ") + pixelSize(image) + QStringLiteral(" pixels."));
        onOCRImage(image);
        return task.finish();
    }
    CaptureTask* running = &task;
    // A cancelled capture takes its image back, whether it is asking or waiting for a question.
    auto withdrawn = std::make_shared<bool>(false);
    task.await<std::optional<bool>>(
        [this, image, withdrawn](CaptureTask::Completion<std::optional<bool>> done) {
            documents_.replace(
                image, std::nullopt, captureScale_, [done](std::optional<bool> kept) { done(kept); },
                withdrawn);
        },
        [this, running, size = pixelSize(image)](std::optional<bool> kept) {
            if (kept) {
                setStatus(QStringLiteral("Captured ") + size + QStringLiteral(" pixels.") +
                          DocumentOpening::keptSentence(*kept));
                onCaptured();
            }
            running->finish();
        },
        CaptureTask::Wait::aborting([this, withdrawn] { handover_.withdraw(withdrawn); }));
}

void CaptureController::finishBody(std::optional<Error> error) {
    if (destroying_) return;
    if (error) {
        if ((task_ && task_->isCancelled()) || isCancellation(*error)) {
            setStatus(QString::fromUtf8(cancelledStatus));
            Log::capture().log("Capture cancelled");
        } else {
            if (isPermissionError(*error)) {
                Log::capture().error("Capture failed: Screen Recording permission required ({} {})",
                                     error->domain, error->code);
                setPermissionGranted(false);
                setWindows({});
                setSelectedWindowID(0);
                setError(message(CaptureFailure::permissionRequired), true);
            } else {
                Log::capture().error("Capture failed: {} {}", error->domain, error->code);
                setError(error->message, true);
            }
            setStatus(QString::fromUtf8(failedStatus));
            onFailed();
        }
    }
    setBusy(false);
    task_.reset();
    activeDelay_.reset();
    activeNote_.reset();
}

void CaptureController::cancel() {
    if (const auto task = task_) task->cancel();
    overlay_.finish(Failure{cancellationError()});
}

// ---- Operations of the concerns

void CaptureController::captureDisplay() {
    screens_.captureDisplay();
}

void CaptureController::captureWindow() {
    screens_.captureWindow();
}

void CaptureController::refreshTargets() {
    windowList_.refresh();
}

void CaptureController::captureArea() {
    areas_.captureArea();
}

void CaptureController::captureOCRArea() {
    areas_.captureOCRArea();
}

void CaptureController::captureAreaAsOverlay() {
    areas_.captureAreaAsOverlay();
}

void CaptureController::captureScrollingArea() {
    areas_.captureScrollingArea();
}

void CaptureController::repeatArea() {
    areas_.repeatArea();
}

void CaptureController::openImage(const QImage& image, const std::optional<QString>& name,
                                  std::function<void(bool)> done) {
    documents_.open(image, name, false, std::move(done));
}

void CaptureController::reopenImage(const QImage& image, std::function<void(bool)> done) {
    documents_.open(image, std::nullopt, true, std::move(done));
}

void CaptureController::openScrollingCapture(const QImage& image, double pixelScale, bool partial,
                                             const std::optional<QString>& reason) {
    documents_.openScrollingCapture(image, pixelScale, partial, reason);
}

void CaptureController::restorePreviousDocument() {
    documents_.restorePrevious();
}

void CaptureController::requestPermission() {
    if (handoverBusy()) return;
    const bool granted = service_.requestAccess();
    setPermissionGranted(granted);
    setErrorMessage(granted ? std::nullopt
                            : std::optional<QString>(message(CaptureFailure::permissionRequired)));
    setStatus(granted ? QStringLiteral("Permission available. Retry capture.")
                      : QStringLiteral("Screen Recording permission required."));
}

} // namespace quorvane
