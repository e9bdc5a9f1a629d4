// The capture controller's making, its published fields and the helpers its steps share; and its
// documents: the replacement rule every new document passes, images that become the document
// outside a capture (an opened or dropped file, the reopened last export, a stitched scrolling
// capture) and the way back to the previous document, each with its status. A refusal says why
// nothing opened.

#include "capture/CaptureController.h"
#include "capture/CaptureTargets.h"
#include "core/Geometry.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QCursor>
#include <algorithm>
#include <array>
#include <utility>

namespace quorvane {

CaptureController::CaptureController(CaptureService& service, AreaSelectionOverlay& overlay, QObject* parent)
    : QObject(parent), pointerPosition([] { return QPointF(QCursor::pos()); }), screenFor(screenForDisplay),
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

void CaptureController::setLastArea(std::optional<Session::Area> area) {
    const bool could = canRepeatArea();
    lastArea_ = std::move(area);
    if (could != canRepeatArea()) Q_EMIT canRepeatAreaChanged();
}

// ---- What the steps of a capture share

void CaptureController::offerWindows(const ShareableContent& content) {
    setPermissionGranted(true);
    setWindows(CaptureTargets::capturableWindows(content, QCoreApplication::applicationPid()));
    setSelectedWindowID(CaptureTargets::keptSelection(windows_, selectedWindowID_));
}

ContentFilter CaptureController::displayFilter(const CaptureDisplay& display,
                                               const ShareableContent& content) const {
    const ProcessID own = QCoreApplication::applicationPid();
    std::vector<ProcessID> excluded;
    for (const CaptureApplication& application : content.applications)
        if (application.processID == own) excluded.push_back(application.processID);
    std::vector<WindowID> excepted;
    for (const CaptureWindow& window : content.windows) {
        const std::vector<WindowID> included = includedWindowIDs();
        if (std::find(included.begin(), included.end(), window.windowID) != included.end())
            excepted.push_back(window.windowID);
    }
    return ContentFilter::forDisplay(display, std::move(excluded), std::move(excepted));
}

bool CaptureController::displaysUnchanged(const DisplayTopology& saved, const ShareableContent& current) {
    if (topologyMatches(saved, topology(current))) return true;
    setLastArea(std::nullopt);
    failCapture(failure(QStringLiteral("Display arrangement or resolution changed. Select an area again.")));
    return false;
}

// ---- Documents

QString CaptureController::keptSentence(bool kept) {
    return kept ? QStringLiteral(" Unexported changes kept: File ▸ Restore Previous Document.") : QString();
}

void CaptureController::replaceDocument(const QImage& image, const std::optional<QString>& name,
                                        double pixelScale, Replaced done, std::shared_ptr<bool> withdrawn) {
    decideReplacement(
        image, name, pixelScale,
        [this, done = std::move(done)](std::optional<bool> kept) {
            if (!kept)
                setStatus(QStringLiteral(
                    "The new image was not opened, so both documents with unexported changes are kept."));
            done(kept);
        },
        std::move(withdrawn));
}

void CaptureController::decideReplacement(const QImage& image, const std::optional<QString>& name,
                                          double pixelScale, Replaced done, std::shared_ptr<bool> withdrawn) {
    if (withdrawn && *withdrawn) return;
    if (asking_) {
        waitingReplacements_.push_back(
            [this, image, name, pixelScale, done = std::move(done), withdrawn]() mutable {
                decideReplacement(image, name, pixelScale, std::move(done), withdrawn);
            });
        return;
    }
    Q_EMIT aboutToReplaceDocument();
    EditorDocument* current = document_;
    if (current == nullptr || !isDirty(current))
        return installDocument(image, name, pixelScale, Current::dropped, done);
    EditorDocument* previous = previousDocument_;
    if (previous != nullptr && previous != current && isDirty(previous))
        return askAboutPrevious(image, name, pixelScale, std::move(done), std::move(withdrawn));
    installDocument(image, name, pixelScale, Current::keptAsPrevious, done);
}

void CaptureController::askAboutPrevious(const QImage& image, const std::optional<QString>& name,
                                         double pixelScale, Replaced done, std::shared_ptr<bool> withdrawn) {
    asking_ = true;
    askingFor_ = withdrawn;
    const std::uint64_t question = ++questionID_;
    QPointer<EditorDocument> current = document_;
    QPointer<EditorDocument> previous = previousDocument_;
    const std::array<const void*, 2> asked{current.data(), previous.data()};
    QPointer<CaptureController> self(this);
    auto answered = std::make_shared<bool>(false);
    mayDiscardPrevious(previous, [=](bool mayDiscard) {
        CaptureController* controller = self.data();
        if (*answered || controller == nullptr || controller->questionID_ != question || !controller->asking_)
            return;
        *answered = true;
        controller->asking_ = false;
        controller->askingFor_.reset();
        // Alive and at the same address is the same object; a deleted one has changed.
        const bool same = controller->document_.data() == current.data() &&
                          current.isNull() == (asked[0] == nullptr) &&
                          controller->previousDocument_.data() == previous.data() &&
                          previous.isNull() == (asked[1] == nullptr);
        if (!same) {
            // The pair changed while the user was asked: the rule decides again.
            controller->decideReplacement(image, name, pixelScale, done, withdrawn);
        } else if (!mayDiscard) {
            Log::capture().log("New image not opened: previous document has unexported changes");
            done(std::nullopt);
        } else {
            controller->installDocument(image, name, pixelScale, Current::keptAsPrevious, done);
        }
        controller->runWaitingReplacements();
    });
}

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

void CaptureController::installDocument(const QImage& image, const std::optional<QString>& name,
                                        double pixelScale, Current current, const Replaced& done) {
    auto* created = new EditorDocument(image, name, pixelScale, this);
    const bool kept = current == Current::keptAsPrevious;
    setDocuments(created, kept ? document_.data() : previousDocument_.data());
    done(kept);
}

void CaptureController::setDocuments(EditorDocument* document, EditorDocument* previous) {
    EditorDocument* const before[] = {document_.data(), previousDocument_.data()};
    const bool documentChanged = document_ != document;
    const bool previousChanged = previousDocument_ != previous;
    document_ = document;
    previousDocument_ = previous;
    for (EditorDocument* old : before)
        if (old != nullptr && old != document && old != previous) old->release();
    if (previousChanged) Q_EMIT previousDocumentChanged();
    if (documentChanged) Q_EMIT this->documentChanged();
}

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
                        if (stitching == Stitching::stoppedEarly)
                            setError(QStringLiteral("Partial scrolling capture — ") +
                                         reason.value_or(QStringLiteral("stitching stopped early")) +
                                         QStringLiteral(". The image so far is kept; you can save it."),
                                     false);
                        Q_EMIT reopened();
                    });
}

void CaptureController::restorePreviousDocument() {
    setLastCaptureFrame(std::nullopt);
    if (busyOrAsking() || previousDocument() == nullptr) return;
    Q_EMIT aboutToReplaceDocument();
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
