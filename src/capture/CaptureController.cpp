// One capture from its command to the document, step by step, with the replacement rule that
// decides what becomes of the open document and the waits between the steps.

#include "capture/CaptureController.h"

#include "capture/CaptureTargets.h"
#include "core/Log.h"
#include "core/LoggedReason.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <utility>

namespace quorvane {

// ---- Capture commands: what each takes is read now, when it is asked for

void CaptureController::captureDisplay() {
    start(Kind::display, QStringLiteral("Capturing display…"));
}

void CaptureController::captureWindow() {
    start(Kind::window, QStringLiteral("Capturing window…"));
}

void CaptureController::refreshTargets() {
    start(Kind::refreshTargets, QStringLiteral("Refreshing windows…"));
}

void CaptureController::captureArea() {
    start(Kind::area, QStringLiteral("Preparing area capture…"));
}

void CaptureController::captureOCRArea() {
    start(Kind::recognitionArea, QStringLiteral("Preparing text recognition area…"));
}

void CaptureController::captureAreaAsOverlay() {
    if (document() == nullptr) return;
    start(Kind::overlayArea, QStringLiteral("Select an area to add to the image…"));
}

void CaptureController::captureScrollingArea() {
    start(Kind::scrollingArea, QStringLiteral("Select the area you will scroll…"));
}

void CaptureController::repeatArea() {
    if (!lastArea_) return;
    start(Kind::repeatArea, QStringLiteral("Repeating area capture…"));
}

// ---- The steps of a capture, in the order they run. Area captures go on in
// CaptureControllerAreas.cpp from the listing to the crop, and come back to handOver.

void CaptureController::start(Kind kind, const QString& status) {
    if (busyOrAsking()) {
        oneShotDelay.reset();
        oneShotNote.reset();
        return;
    }
    setBusy(true);
    session_ = std::make_shared<Session>();
    Session& s = *session_;
    s.kind = kind;
    s.oneShotDelay = std::exchange(oneShotDelay, std::nullopt);
    s.note = std::exchange(oneShotNote, std::nullopt);
    if (kind == Kind::window) s.chosenWindow = selectedWindowID_;
    if (kind == Kind::repeatArea) s.area = *lastArea_;
    if (kind != Kind::window && kind != Kind::repeatArea && kind != Kind::refreshTargets)
        s.pointer = pointerPosition();
    s.timeout.setSingleShot(true);
    connect(&s.timeout, &QTimer::timeout, this, &CaptureController::serviceTimedOut);
    setErrorMessage(std::nullopt);
    setStatus(status);
    Log::capture().log("Capture started: {}", status);
    // The steps start on a later turn of the event loop, never inside the command.
    if (auto begun = resumeAfter(&CaptureController::begin, Waiting::turn)) QTimer::singleShot(0, begun);
}

int CaptureController::delaySeconds(std::optional<int> oneShot, int standing) {
    if (oneShot) return *oneShot >= 0 && *oneShot <= 10 ? *oneShot : 0;
    return standing == 0 || standing == 3 || standing == 5 ? standing : 0;
}

void CaptureController::begin() {
    Session& s = *session_;
    if (s.kind == Kind::refreshTargets) return listTargets(&CaptureController::targetsListed);
    if (s.kind == Kind::display || s.kind == Kind::window) setLastCaptureFrame(std::nullopt);
    s.secondsLeft = delaySeconds(s.oneShotDelay, captureDelay_);
    setCountingDown(s.secondsLeft > 0);
    countDown();
}

// The wait that lets the user open a menu or bring a window forward: whole seconds, a status for
// each, isCountingDown while it runs.
void CaptureController::countDown() {
    Session& s = *session_;
    if (s.secondsLeft == 0) {
        setCountingDown(false);
        return listTargets(&CaptureController::targetsListed);
    }
    if (s.cancelled) {
        setCountingDown(false);
        stillRunning();
        return;
    }
    setStatus(QStringLiteral("Capturing in ") + QString::number(s.secondsLeft) + QStringLiteral("…"));
    if (auto wake = resumeAfter(&CaptureController::secondPassed, Waiting::countdown))
        s.stopSleep = sleep(1000, std::move(wake));
}

void CaptureController::secondPassed() {
    --session_->secondsLeft;
    countDown();
}

void CaptureController::listTargets(Step<ShareableContent> next) {
    if (auto listed = resumeWith(next, Waiting::listing)) service_.targets(std::move(listed));
}

void CaptureController::targetsListed(ShareableContent content) {
    offerWindows(content);
    Session& s = *session_;
    switch (s.kind) {
    case Kind::refreshTargets:
        setStatus(windows_.empty() ? QStringLiteral("No available windows. Try capturing a display.")
                                   : QStringLiteral("Choose a window to capture."));
        if (stillRunning()) endCapture();
        return;
    case Kind::display: {
        const CaptureDisplay* display = CaptureTargets::displayAt(content, s.pointer);
        if (display == nullptr)
            return failCapture(failure(QStringLiteral("Display is unavailable. Retry capture.")));
        return takeScreenshot(displayFilter(*display, content));
    }
    case Kind::window: {
        // The chosen window must still be among those the listing has just offered.
        const auto found = std::find_if(windows_.begin(), windows_.end(), [&s](const CaptureWindow& w) {
            return w.windowID == s.chosenWindow;
        });
        if (found == windows_.end())
            return failCapture(failure(QStringLiteral(
                "The selected window is no longer available. Choose another window and retry.")));
        return takeScreenshot(ContentFilter::forWindow(*found));
    }
    case Kind::repeatArea:
    case Kind::area:
    case Kind::recognitionArea:
    case Kind::overlayArea:
    case Kind::scrollingArea:
        return areaTargetsListed(content);
    }
}

void CaptureController::takeScreenshot(const ContentFilter& filter) {
    session_->scale = filter.pointPixelScale();
    if (auto taken = resumeWith(&CaptureController::screenshotTaken, Waiting::screenshot))
        service_.image(filter, std::move(taken));
}

void CaptureController::screenshotTaken(QImage image) {
    Session& s = *session_;
    switch (s.kind) {
    case Kind::display:
    case Kind::window:
        return handOver(image);
    case Kind::repeatArea:
        s.frozen = std::move(image);
        return listTargets(&CaptureController::displaysListedAgain);
    default:
        break;
    }
    // The area is cropped from this frozen screenshot, which the user sees while picking.
    if (!stillRunning()) return;
    setStatus(QStringLiteral("Drag to select an area. Press Escape to cancel."));
    s.frozen = std::move(image);
    if (auto picked = resumeWith(&CaptureController::areaPicked, Waiting::picker))
        s.selection = overlay_.select(s.frozen, s.screen.data(), s.geometry, s.note,
                                      AreaSelectionOverlay::Task::running, std::move(picked));
}

void CaptureController::handOver(const QImage& image) {
    if (!stillRunning()) return;
    const bool toOCR = session_->kind == Kind::recognitionArea;
    Log::capture().log("Capture succeeded: {}x{} px, ocr {}", image.width(), image.height(), toOCR);
    setPermissionGranted(true);
    if (!afterHeldInput) return adoptCapture(image);
    afterHeldInput(
        [self = QPointer<CaptureController>(this), weak = std::weak_ptr<Session>(session_), image] {
            if (self != nullptr && weak.lock() == self->session_ && self->stillRunning())
                self->adoptCapture(image);
        });
}

void CaptureController::adoptCapture(const QImage& image) {
    Session& s = *session_;
    const bool toOCR = s.kind == Kind::recognitionArea;
    if (toOCR) {
        setStatus(QStringLiteral("Recognizing text in ") + pixelSize(image) + QStringLiteral(" pixels."));
        Q_EMIT ocrImageCaptured(image);
        return endCapture();
    }
    s.capturedSize = pixelSize(image);
    // A cancelled capture takes its image back, whether it is asking or waiting for a question.
    if (auto replaced = resumeWith(&CaptureController::documentReplaced, Waiting::question))
        replaceDocument(
            image, std::nullopt, s.scale, [replaced](std::optional<bool> kept) { replaced(kept); },
            s.withdrawn);
}

void CaptureController::documentReplaced(std::optional<bool> kept) {
    if (kept) {
        setStatus(QStringLiteral("Captured ") + session_->capturedSize + QStringLiteral(" pixels.") +
                  keptSentence(*kept));
        Q_EMIT captured();
    }
    endCapture();
}

void CaptureController::endCapture() {
    if (!session_ || session_->ended) return;
    session_->ended = true;
    if (!destroying_) release();
}

void CaptureController::failCapture(const Error& error) {
    if (!session_ || session_->ended) return;
    session_->ended = true;
    if (destroying_) return;
    if (session_->cancelled || isCancellation(error)) {
        setStatus(QString::fromUtf8(cancelledStatus));
        Log::capture().log("Capture cancelled");
    } else {
        if (isPermissionError(error)) {
            Log::capture().error("Capture failed: Screen Recording permission required ({} {})", error.domain,
                                 error.code);
            setPermissionGranted(false);
            setWindows({});
            setSelectedWindowID(0);
            setError(message(CaptureFailure::permissionRequired), true);
        } else {
            Log::capture().error("Capture failed: {} {}{}", error.domain, error.code, loggedReason(error));
            setError(error.message, true);
        }
        setStatus(QString::fromUtf8(failedStatus));
        Q_EMIT failed();
    }
    release();
}

void CaptureController::release() {
    // Gone before busyChanged, so that a capture started by a listener is not the one let go.
    session_.reset();
    setBusy(false);
}

// ---- What the steps share

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

// ---- The replacement rule every new document passes

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
    // Text being typed counts as an edit, and stays with its document.
    commitEditing();
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

QString CaptureController::keptSentence(bool kept) {
    return kept ? QStringLiteral(" Unexported changes kept: File ▸ Restore Previous Document.") : QString();
}

// ---- Waiting for an answer

std::optional<std::uint64_t> CaptureController::beginWait(Waiting waiting) {
    if (!stillRunning()) return std::nullopt;
    Session& s = *session_;
    s.waiting = waiting;
    if (waiting == Waiting::listing || waiting == Waiting::screenshot) s.timeout.start(serviceTimeoutMs);
    return ++s.waitID;
}

bool CaptureController::endWait(Session& session, std::uint64_t id) {
    if (session.waiting == Waiting::nothing || session.waitID != id) return false;
    session.waiting = Waiting::nothing;
    session.timeout.stop();
    return true;
}

void CaptureController::serviceTimedOut() {
    Session& s = *session_;
    const Waiting waiting = s.waiting;
    if (!endWait(s, s.waitID)) return;
    failCapture(CaptureService::error(waiting == Waiting::listing ? CaptureService::connectionFailed
                                                                  : CaptureService::grabFailed,
                                      QStringLiteral("The screen capture service did not answer.")));
}

bool CaptureController::stillRunning() {
    if (!session_ || session_->ended) return false;
    if (!session_->cancelled) return true;
    failCapture(cancellationError());
    return false;
}

template<class T>
std::function<void(Result<T, Error>)> CaptureController::resumeWith(Step<T> step, Waiting waiting) {
    const std::optional<std::uint64_t> id = beginWait(waiting);
    if (!id) return {};
    return [this, weak = std::weak_ptr<Session>(session_), id = *id, step](Result<T, Error> answer) {
        // Held, so that the session outlives the step that ends it.
        const auto session = weak.lock();
        if (!session || !endWait(*session, id)) return;
        if (!answer) return failCapture(answer.error());
        if (!stillRunning()) return;
        (this->*step)(std::move(answer).value());
    };
}

std::function<void()> CaptureController::resumeAfter(void (CaptureController::*step)(), Waiting waiting) {
    const std::optional<std::uint64_t> id = beginWait(waiting);
    if (!id) return {};
    return [this, weak = std::weak_ptr<Session>(session_), id = *id, step] {
        const auto session = weak.lock();
        if (!session || !endWait(*session, id) || !stillRunning()) return;
        (this->*step)();
    };
}

} // namespace quorvane
