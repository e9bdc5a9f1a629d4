#include "capture/CaptureController.h"

#include "capture/CaptureTargets.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "document/EditorDocument.h"

#include <QCoreApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace quorvane {
namespace {

const QString keptSentence = QStringLiteral(" Unexported changes kept: File ▸ Restore Previous Document.");
const QString refusedStatus =
    QStringLiteral("The new image was not opened, so both documents with unexported changes are kept.");

QString pixelSize(const QImage& image) {
    return QString::number(image.width()) + QStringLiteral(" × ") + QString::number(image.height());
}

ProcessID ownProcess() {
    return QCoreApplication::applicationPid();
}

CaptureTask::Wait serviceWait(int timeoutMs) {
    return CaptureTask::Wait{
        {},
        timeoutMs,
        CaptureService::error(CaptureService::connectionFailed,
                              QStringLiteral("The screen capture service did not answer."))};
}

} // namespace

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

void CaptureController::setLastArea(std::optional<SavedArea> area) {
    const bool could = canRepeatArea();
    lastArea_ = std::move(area);
    if (could != canRepeatArea()) Q_EMIT canRepeatAreaChanged();
}

// ---- Running a capture

Error CaptureController::failure(const QString& message) {
    return Error{QString::fromLatin1(errorDomain), 1, message};
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
            replaceDocument(
                image, std::nullopt, captureScale_, [done](std::optional<bool> kept) { done(kept); },
                withdrawn);
        },
        [this, running, size = pixelSize(image)](std::optional<bool> kept) {
            if (kept) {
                setStatus(QStringLiteral("Captured ") + size + QStringLiteral(" pixels.") +
                          (*kept ? keptSentence : QString()));
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

// ---- Steps shared by the operations

void CaptureController::countdown(CaptureTask& task, std::function<void()> next) {
    const int seconds = CaptureDelay::seconds(activeDelay_, captureDelay_);
    setCountingDown(seconds > 0);
    if (seconds == 0) {
        if (task.check()) next();
        return;
    }
    countdownStep(task, seconds, std::move(next));
}

void CaptureController::countdownStep(CaptureTask& task, int remaining, std::function<void()> next) {
    if (task.isCancelled()) {
        setCountingDown(false);
        task.check();
        return;
    }
    setStatus(QStringLiteral("Capturing in ") + QString::number(remaining) + QStringLiteral("…"));
    auto stop = std::make_shared<std::function<void()>>();
    CaptureTask* running = &task;
    task.await<bool>(
        [this, stop](CaptureTask::Completion<bool> done) { *stop = sleep(1000, [done] { done(true); }); },
        [this, running, remaining, next = std::move(next)](bool) mutable {
            if (remaining < 2) {
                setCountingDown(false);
                return next();
            }
            countdownStep(*running, remaining - 1, std::move(next));
        },
        CaptureTask::Wait::aborting([this, stop] {
            if (*stop) (*stop)();
            setCountingDown(false);
        }));
}

void CaptureController::loadTargets(CaptureTask& task, std::function<void(ShareableContent)> next) {
    task.await<ShareableContent>(
        [this](CaptureService::Completion<ShareableContent> done) { service_.targets(std::move(done)); },
        [this, next = std::move(next)](ShareableContent content) {
            setPermissionGranted(true);
            setWindows(CaptureTargets::capturableWindows(content, ownProcess()));
            setSelectedWindowID(CaptureTargets::keptSelection(windows_, selectedWindowID_));
            next(std::move(content));
        },
        serviceWait(serviceTimeoutMs));
}

void CaptureController::screenshot(CaptureTask& task, const ContentFilter& filter,
                                   std::function<void(QImage)> next) {
    CaptureTask::Wait wait = serviceWait(serviceTimeoutMs);
    wait.timeoutError = CaptureService::error(CaptureService::grabFailed,
                                              QStringLiteral("The screen capture service did not answer."));
    task.await<QImage>(
        [this, filter](CaptureService::Completion<QImage> done) { service_.image(filter, std::move(done)); },
        std::move(next), std::move(wait));
}

ContentFilter CaptureController::displayFilter(const CaptureDisplay& display,
                                               const ShareableContent& content) {
    std::vector<ProcessID> excluded;
    for (const CaptureApplication& application : content.applications)
        if (application.processID == ownProcess()) excluded.push_back(application.processID);
    std::vector<WindowID> excepted;
    for (const CaptureWindow& window : content.windows) {
        const std::vector<WindowID> included = includedWindowIDs();
        if (std::find(included.begin(), included.end(), window.windowID) != included.end())
            excepted.push_back(window.windowID);
    }
    return ContentFilter::forDisplay(display, std::move(excluded), std::move(excepted));
}

const CaptureDisplay* CaptureController::displayAt(const ShareableContent& content,
                                                   const QPointF& point) const {
    for (const CaptureDisplay& display : content.displays)
        if (geom::contains(display.frame, point)) return &display;
    return content.mainDisplay();
}

bool CaptureController::validateTopology(CaptureTask& task, const DisplayTopology& saved,
                                         const ShareableContent& current) {
    if (topologyMatches(saved, topology(current))) return true;
    setLastArea(std::nullopt);
    task.finish(failure(QStringLiteral("Display arrangement or resolution changed. Select an area again.")));
    return false;
}

// ---- Display, window and window-list captures

void CaptureController::captureDisplay() {
    const QPointF pointer = pointerPosition();
    run(QStringLiteral("Capturing display…"), false, [this, pointer](CaptureTask& task, auto done) {
        setLastCaptureFrame(std::nullopt);
        CaptureTask* running = &task;
        countdown(task, [this, running, pointer, done] {
            loadTargets(*running, [this, running, pointer, done](ShareableContent content) {
                const CaptureDisplay* display = displayAt(content, pointer);
                if (display == nullptr)
                    return running->finish(failure(QStringLiteral("Display is unavailable. Retry capture.")));
                const ContentFilter filter = displayFilter(*display, content);
                captureScale_ = filter.pointPixelScale();
                screenshot(*running, filter, [done](QImage image) { done(std::move(image)); });
            });
        });
    });
}

void CaptureController::captureWindow() {
    const WindowID chosen = selectedWindowID_;
    run(QStringLiteral("Capturing window…"), false, [this, chosen](CaptureTask& task, auto done) {
        setLastCaptureFrame(std::nullopt);
        CaptureTask* running = &task;
        countdown(task, [this, running, chosen, done] {
            loadTargets(*running, [this, running, chosen, done](const ShareableContent&) {
                const auto found =
                    std::find_if(windows_.begin(), windows_.end(),
                                 [chosen](const CaptureWindow& w) { return w.windowID == chosen; });
                if (found == windows_.end())
                    return running->finish(failure(QStringLiteral(
                        "The selected window is no longer available. Choose another window and retry.")));
                const ContentFilter filter = ContentFilter::forWindow(*found);
                captureScale_ = filter.pointPixelScale();
                screenshot(*running, filter, [done](QImage image) { done(std::move(image)); });
            });
        });
    });
}

void CaptureController::refreshTargets() {
    run(QStringLiteral("Refreshing windows…"), false, [this](CaptureTask& task, auto done) {
        loadTargets(task, [this, done](const ShareableContent&) {
            setStatus(windows_.empty() ? QStringLiteral("No available windows. Try capturing a display.")
                                       : QStringLiteral("Choose a window to capture."));
            done(std::nullopt);
        });
    });
}

// ---- Area captures

void CaptureController::selectArea(CaptureTask& task, const QPointF& point,
                                   std::function<void(PickedArea)> next) {
    CaptureTask* running = &task;
    countdown(task, [this, running, point, next = std::move(next)]() mutable {
        loadTargets(*running, [this, running, point,
                               next = std::move(next)](ShareableContent content) mutable {
            const CaptureDisplay* display = displayAt(content, point);
            QScreen* screen = display != nullptr ? screenFor(*display) : nullptr;
            if (screen == nullptr)
                return running->finish(failure(QStringLiteral("Display is unavailable. Retry capture.")));
            const DisplayID displayID = display->displayID;
            DisplayTopology before = topology(content);
            const ContentFilter filter = displayFilter(*display, content);
            const CaptureGeometry geometry{display->frame, filter.pointPixelScale()};
            captureScale_ = geometry.scale;
            QPointer<QScreen> target(screen);
            screenshot(
                *running, filter,
                [this, running, target, geometry, displayID, before = std::move(before),
                 next = std::move(next)](QImage frozen) mutable {
                    if (!running->check()) return;
                    setStatus(QStringLiteral("Drag to select an area. Press Escape to cancel."));
                    auto selection = std::make_shared<AreaSelectionOverlay::SelectionID>(0);
                    running->await<QRectF>(
                        [this, running, selection, frozen, target,
                         geometry](CaptureTask::Completion<QRectF> done) {
                            *selection = overlay_.select(frozen, target.data(), geometry, activeNote_,
                                                         running->isCancelled(), std::move(done));
                        },
                        [this, running, frozen, geometry, displayID, before = std::move(before),
                         next = std::move(next)](QRectF rect) mutable {
                            loadTargets(*running, [this, running, frozen, geometry, displayID, rect,
                                                   before = std::move(before), next = std::move(next)](
                                                      const ShareableContent& after) mutable {
                                if (!validateTopology(*running, before, after) || !running->check()) return;
                                std::optional<QImage> cropped = geometry.crop(frozen, rect);
                                if (!cropped)
                                    return running->finish(failure(QStringLiteral(
                                        "The selected area no longer matches the captured display. Select "
                                        "an area again.")));
                                next(PickedArea{std::move(*cropped), rect, displayID, std::move(before)});
                            });
                        },
                        CaptureTask::Wait::aborting([this, selection] { overlay_.cancel(*selection); }));
                });
        });
    });
}

void CaptureController::areaCapture(AreaUse use, const QString& status) {
    if (use == AreaUse::overlay && document() == nullptr) return;
    const QPointF pointer = pointerPosition();
    run(status, use == AreaUse::recognition, [this, use, pointer](CaptureTask& task, auto done) {
        CaptureTask* running = &task;
        selectArea(task, pointer, [this, running, use, done](PickedArea picked) {
            switch (use) {
            case AreaUse::document:
                setLastArea(SavedArea{picked.rect, picked.displayID, std::move(picked.topology)});
                setLastCaptureFrame(picked.rect);
                return done(std::move(picked.image));
            case AreaUse::recognition:
                return done(std::move(picked.image));
            case AreaUse::overlay:
                if (!running->check()) return;
                setStatus(QStringLiteral("Added ") + pixelSize(picked.image) +
                          QStringLiteral(" pixels to the image."));
                onOverlayImage(picked.image, captureScale_);
                return done(std::nullopt);
            case AreaUse::scrolling:
                onScrollRegion(picked.rect, picked.displayID, captureScale_);
                return done(std::nullopt);
            }
        });
    });
}

void CaptureController::captureArea() {
    areaCapture(AreaUse::document, QStringLiteral("Preparing area capture…"));
}

void CaptureController::captureOCRArea() {
    areaCapture(AreaUse::recognition, QStringLiteral("Preparing text recognition area…"));
}

void CaptureController::captureAreaAsOverlay() {
    areaCapture(AreaUse::overlay, QStringLiteral("Select an area to add to the image…"));
}

void CaptureController::captureScrollingArea() {
    areaCapture(AreaUse::scrolling, QStringLiteral("Select the area you will scroll…"));
}

void CaptureController::repeatArea() {
    if (!lastArea_) return;
    run(QStringLiteral("Repeating area capture…"), false, repeatOperation(*lastArea_));
}

CaptureController::Operation CaptureController::repeatOperation(SavedArea area) {
    return [this, area = std::move(area)](CaptureTask& task, std::function<void(Outcome)> done) {
        CaptureTask* running = &task;
        countdown(task, [this, running, area, done] {
            loadTargets(*running, [this, running, area, done](const ShareableContent& content) {
                if (!validateTopology(*running, area.topology, content)) return;
                const CaptureDisplay* display = content.display(area.displayID);
                if (display == nullptr)
                    return running->finish(
                        failure(QStringLiteral("Display is unavailable. Select an area again.")));
                const ContentFilter filter = displayFilter(*display, content);
                const CaptureGeometry geometry{display->frame, filter.pointPixelScale()};
                captureScale_ = geometry.scale;
                screenshot(*running, filter, [this, running, area, geometry, done](QImage image) {
                    loadTargets(*running, [this, running, area, geometry, done,
                                           image = std::move(image)](const ShareableContent& after) {
                        if (!validateTopology(*running, area.topology, after) || !running->check()) return;
                        std::optional<QImage> cropped = geometry.crop(image, area.rect);
                        if (!cropped)
                            return running->finish(
                                failure(QStringLiteral("The saved area no longer matches the captured "
                                                       "display. Select an area again.")));
                        setLastCaptureFrame(area.rect);
                        done(std::move(*cropped));
                    });
                });
            });
        });
    };
}

// ---- Document handover

void CaptureController::replaceDocument(const QImage& image, const std::optional<QString>& name,
                                        double pixelScale, Replaced done, std::shared_ptr<bool> withdrawn) {
    handover_.replace(
        image, name, pixelScale,
        [this, done = std::move(done)](std::optional<bool> kept) {
            if (!kept) setStatus(refusedStatus);
            done(kept);
        },
        std::move(withdrawn));
}

void CaptureController::openImageAs(const QImage& image, const std::optional<QString>& name, bool reopening,
                                    std::function<void(bool)> done) {
    setLastCaptureFrame(std::nullopt);
    if (handoverBusy()) {
        if (done) done(false);
        return;
    }
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
                        setStatus(status + (*kept ? keptSentence : QString()));
                        onReopened();
                        if (done) done(true);
                    });
}

void CaptureController::openImage(const QImage& image, const std::optional<QString>& name,
                                  std::function<void(bool)> done) {
    openImageAs(image, name, false, std::move(done));
}

void CaptureController::reopenImage(const QImage& image, std::function<void(bool)> done) {
    openImageAs(image, std::nullopt, true, std::move(done));
}

void CaptureController::openScrollingCapture(const QImage& image, double pixelScale, bool partial,
                                             const std::optional<QString>& reason) {
    setLastCaptureFrame(std::nullopt);
    replaceDocument(image, std::nullopt, pixelScale,
                    [this, size = pixelSize(image), partial, reason](std::optional<bool> kept) {
                        if (!kept) return;
                        setStatus(QStringLiteral("Scrolling capture: ") + size + QStringLiteral(" pixels.") +
                                  (*kept ? keptSentence : QString()));
                        if (partial)
                            setError(QStringLiteral("Partial scrolling capture — ") +
                                         reason.value_or(QStringLiteral("stitching stopped early")) +
                                         QStringLiteral(". The image so far is kept; you can save it."),
                                     false);
                        onReopened();
                    });
}

void CaptureController::restorePreviousDocument() {
    setLastCaptureFrame(std::nullopt);
    if (handoverBusy() || previousDocument() == nullptr) return;
    willReplaceDocument();
    handover_.swap();
    setStatus(QStringLiteral("Restored previous document."));
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
