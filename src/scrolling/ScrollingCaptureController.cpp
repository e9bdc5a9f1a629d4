#include "scrolling/ScrollingCaptureController.h"

#include "core/Announcer.h"
#include "core/Log.h"
#include "core/LoggedReason.h"
#include "scrolling/AutoScrollInputMonitoring.h"
#include "scrolling/DragEventTapping.h"
#include "scrolling/DragScrollSelection.h"
#include "scrolling/DragSelectionPresenting.h"
#include "scrolling/ScreenRegionFrameSource.h"
#include "scrolling/ScrollInjecting.h"
#include "scrolling/ScrollKeyMonitoring.h"
#include "scrolling/ScrollStitcher.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

namespace quorvane {

// A drag selection with the tap and overlay it works through; they go together.
struct ScrollingCaptureController::DragParts {
    std::unique_ptr<DragEventTapping> tap;
    std::unique_ptr<DragSelectionPresenting> presenter;
    std::unique_ptr<DragScrollSelection> selection;

    ~DragParts() {
        if (selection) selection->end();
    }
};

ScrollingCaptureController::ScrollingCaptureController(Parts parts, QObject* parent)
    : QObject(parent), parts_(parts), zoneEnteredAt_(Clock::now()) {
    makeSource = [service = &parts_.service](const QRectF& region, DisplayID display, double scale,
                                             SourceMade done) {
        ScreenRegionFrameSource::make(*service, region, display, scale,
                                      [done](Result<ScreenRegionFrameSource, Error> made) {
                                          if (!made) return done(Failure{made.error()});
                                          done(std::shared_ptr<ScrollFrameSource>(
                                              std::make_shared<ScreenRegionFrameSource>(std::move(*made))));
                                      });
    };
    makeStitcher = [](const QImage& first) -> std::unique_ptr<ScrollStitching> {
        return ScrollStitcher::create(first, ScrollStitcher::Limits{20000, 40000000, 48});
    };
    flip = &ScrollStitchWorker::flippedVertically;
    after = [this](std::chrono::milliseconds delay, std::function<void()> call) {
        QTimer::singleShot(delay, Qt::PreciseTimer, this, std::move(call));
    };
    popupOpen = [] { return QApplication::activePopupWidget() != nullptr; };

    connect(&model_, &ScrollHUDModel::finishRequested, this, [this] {
        if (phase_ == Phase::running) complete();
    });
    connect(&model_, &ScrollHUDModel::cancelRequested, this, &ScrollingCaptureController::cancel);
    connect(&model_, &ScrollHUDModel::autoRequested, this, &ScrollingCaptureController::startAuto);
    connect(&model_, &ScrollHUDModel::stopAutoRequested, this,
            [this] { endAuto(AutoScrollStop::of(AutoScrollStop::Kind::stopped)); });
    connect(&model_, &ScrollHUDModel::accessRequested, this, &ScrollingCaptureController::requestAccessibility);
    connect(&model_, &ScrollHUDModel::speedPicked, this, [this](AutoScrollSpeed speed) {
        if (speed == autoSpeed_) return;
        autoSpeed_ = speed;
        model_.setSpeed(speed);
        Q_EMIT autoSpeedChanged(speed);
    });
}

ScrollingCaptureController::~ScrollingCaptureController() {
    // Nothing is reported any more; the system is left as it was found.
    const QSignalBlocker quiet(this);
    const QSignalBlocker quietModel(&model_);
    if (phase_ != Phase::idle) teardown();
    drag_.reset();
}

void ScrollingCaptureController::setAutoSpeed(AutoScrollSpeed speed) {
    autoSpeed_ = speed;
    model_.setSpeed(speed);
}

bool ScrollingCaptureController::hasDragSelection() const {
    return drag_ != nullptr;
}

DragScrollSelection* ScrollingCaptureController::dragSelection() const {
    return drag_ ? drag_->selection.get() : nullptr;
}

void ScrollingCaptureController::setPhase(Phase phase) {
    if (phase_ == phase) return;
    phase_ = phase;
    Q_EMIT stateChanged();
}

void ScrollingCaptureController::begin(const QRectF& region, DisplayID displayID, double scale,
                                       std::optional<DragScrollEdge> edge) {
    if (phase_ != Phase::idle) return;
    // A plain selection is done with once it picked the region; a locked one goes on reporting.
    if (!edge && drag_) dropDrag();
    const int session = ++session_;
    phase_ = Phase::running;
    stats_ = {};
    region_ = region;
    scale_ = scale;
    isDragDriven_ = edge.has_value();
    dragEdge_ = edge;
    pausedRun_.reset();
    reachedEnd_ = false;
    orientation_ = edge == DragScrollEdge::top ? AutoScrollDirection::up : AutoScrollDirection::down;
    invertedWheel_ = false;
    clickDistance_ = {};
    clickTarget_.reset();
    lastAutoStop_.reset();
    escapeStoppedAutoAt_.reset();

    model_.reset();
    model_.setSpeed(autoSpeed_);
    model_.setDragMode(isDragDriven_);
    model_.setDragHint(showsDragHint && !isDragDriven_);
    model_.setOrientation(orientation_);

    showWindows(displayID);
    parts_.keyMonitor.start([self = QPointer(this)](const ScrollKeyEvent& key) {
        return self && self->handleKey(key);
    });
    makeWorker(orientation_ == AutoScrollDirection::up);
    makeSource(region, displayID, scale, [self = QPointer(this), session](auto made) {
        if (self) self->sourceMade(std::move(made), session);
    });
    Q_EMIT stateChanged();
}

void ScrollingCaptureController::showWindows(DisplayID displayID) {
    hudArea_ = windows_.show(region_, visibleFrame(displayID), model_, reduceMotion);
}

void ScrollingCaptureController::sourceMade(Result<std::shared_ptr<ScrollFrameSource>, Error> made,
                                            int session) {
    if (session != session_ || phase_ != Phase::running) return;
    if (!made) {
        if (!isCancellation(made.error())) sourceFailed(made.error(), session);
        return;
    }
    source_ = std::move(*made);
    updateAutoAvailability();
    if (isDragDriven_) {
        // The edge the pointer is held at starts scrolling right away.
        setDragEdge(dragEdge_);
        if (runToken_ != 0) return;
    }
    startCaptureLoop();
}

void ScrollingCaptureController::makeWorker(bool flipped) {
    const int generation = ++generation_;
    const int session = session_;
    ScrollStitchWorker::Options options;
    options.capacity = 2;
    options.flipped = flipped;
    worker_ = std::make_unique<ScrollStitchWorker>(
        this, options, flip, makeStitcher, [this, generation, session](const ScrollStitchWorker::Report& report) {
            if (generation_ == generation) receive(report, session);
        });
}

void ScrollingCaptureController::takeFrame(FrameDone done) {
    if (!source_) return;
    if (frameInFlight_) {
        queuedFrame_ = std::move(done);
        return;
    }
    frameInFlight_ = true;
    source_->frame([self = QPointer(this), session = session_, done = std::move(done)](Result<QImage, Error> frame) {
        ScrollingCaptureController* controller = self;
        if (controller == nullptr || controller->session_ != session) return;
        controller->frameInFlight_ = false;
        FrameDone next = std::exchange(controller->queuedFrame_, nullptr);
        done(std::move(frame));
        // What the frame did may have ended the controller.
        controller = self;
        if (controller != nullptr && next) controller->takeFrame(std::move(next));
    });
}

void ScrollingCaptureController::startCaptureLoop() {
    if (!source_) return;
    const int token = loopToken_ = nextToken();
    loopStep(token);
}

void ScrollingCaptureController::loopStep(int token) {
    if (token != loopToken_) return;
    const Clock::time_point start = now();
    takeFrame([self = QPointer(this), token, start](Result<QImage, Error> frame) {
        if (self) self->loopFrame(token, start, std::move(frame));
    });
}

void ScrollingCaptureController::loopFrame(int token, Clock::time_point start, Result<QImage, Error> frame) {
    if (token != loopToken_) return;
    if (!frame) {
        loopToken_ = 0;
        if (!isCancellation(frame.error())) sourceFailed(frame.error(), session_);
        return;
    }
    // An automatic run takes its own frames, and starts the loop again when it ends.
    if (phase_ != Phase::running || runToken_ != 0) {
        loopToken_ = 0;
        return;
    }
    ++stats_.captured;
    if (worker_) worker_->enqueue(*frame);
    // The next frame starts one interval after this one started, or at once when it is late.
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(start + interval - now());
    after(std::max(wait, std::chrono::milliseconds(0)), [self = QPointer(this), token] {
        if (self) self->loopStep(token);
    });
}

void ScrollingCaptureController::receive(const ScrollStitchWorker::Report& report, int session) {
    using Kind = ScrollStitchOutcome::Kind;
    if (session != session_ || phase_ == Phase::idle) return;
    if (report.failed) {
        complete({true, std::nullopt, QStringLiteral("The captured frame could not be used for stitching."), {}});
        return;
    }
    if (report.flipFailed) {
        complete({true, QStringLiteral("a frame could not be turned upright for stitching"),
                  QStringLiteral("Scrolling capture stopped: a frame could not be turned upright for stitching."),
                  {}});
        return;
    }
    stats_.stitched = report.frames;
    stats_.height = report.height;
    if (worker_) stats_.dropped = worker_->droppedCount();
    // The first frame has no outcome, and is none of these.
    const auto is = [&report](Kind kind) { return report.outcome && report.outcome->kind == kind; };
    if (is(Kind::appended)) ++stats_.appended;
    if (is(Kind::noProgress)) ++stats_.noProgress;
    if (is(Kind::reversed)) ++stats_.reversed;
    if (is(Kind::mismatched)) ++stats_.mismatched;

    // By hand, the status follows the frames; a stop message stays until content comes again.
    if (phase_ == Phase::running && runToken_ == 0 && !isDragDriven_ &&
        !(model_.attention() && !is(Kind::appended))) {
        model_.setAttention(false);
        model_.setStatus(report.outcome ? status(*report.outcome) : QStringLiteral("Waiting for scroll…"));
    }
    model_.setFrames(report.frames);
    model_.setHeight(report.height);
    if (report.preview) model_.setPreview(report.preview);
    updateAutoAvailability();
    if ((is(Kind::lowConfidence) || is(Kind::limitReached)) && phase_ == Phase::running)
        complete({true, status(*report.outcome), {}, {}});
    if (waiter_ && waiter_->first == report.sequence) resumeWaiter(report);
}

QString ScrollingCaptureController::status(const ScrollStitchOutcome& outcome) {
    using Kind = ScrollStitchOutcome::Kind;
    switch (outcome.kind) {
    case Kind::appended:
        return QStringLiteral("Stitching");
    case Kind::lowConfidence:
        return QStringLiteral("Low confidence: ") + outcome.message;
    case Kind::noProgress:
        return QStringLiteral("Waiting for scroll…");
    case Kind::reversed:
        return QStringLiteral("Scrolled back — ignored");
    case Kind::limitReached:
        return QStringLiteral("Limit reached");
    case Kind::mismatched:
        return QStringLiteral("Frame size changed — ignored");
    }
    return {};
}

void ScrollingCaptureController::sourceFailed(const Error& error, int session) {
    if (session != session_ || phase_ != Phase::running) return;
    const QString text = isPermissionError(error) ? message(CaptureFailure::permissionRequired) : error.message;
    Log::capture().error("Scrolling capture stopped: {} {}{}", error.domain, error.code, loggedReason(error));
    complete({true, text, text, {}});
}

void ScrollingCaptureController::complete() {
    complete(Ending{});
}

void ScrollingCaptureController::complete(const Ending& ending) {
    if (phase_ != Phase::running) return;
    setPhase(Phase::finishing);
    stopAutomation();
    loopToken_ = 0;
    model_.setFinishing(true);
    model_.setStatus(ending.status.value_or(ending.reason.value_or(QStringLiteral("Finishing…"))));
    if (!worker_) {
        teardown();
        if (ending.error)
            Q_EMIT failed(*ending.error);
        else
            Q_EMIT cancelled();
        return;
    }
    worker_->finishReporting([self = QPointer(this), ending, session = session_](std::optional<QImage> image,
                                                                                 std::optional<QString> message) {
        if (self) self->finalImage(std::move(image), std::move(message), ending, session);
    });
}

void ScrollingCaptureController::finalImage(std::optional<QImage> image, std::optional<QString> message,
                                            const Ending& ending, int session) {
    if (session != session_ || phase_ != Phase::finishing) return;
    teardown();
    // Whatever was taken is kept: the first frame when nothing was appended.
    if (image)
        Q_EMIT finished({*image, ending.partial || message.has_value(), message ? message : ending.reason});
    else if (ending.error)
        Q_EMIT failed(*ending.error);
    else
        Q_EMIT cancelled();
}

void ScrollingCaptureController::teardown() {
    // Whatever of this capture is still on its way is dropped from here on.
    ++session_;
    ++generation_;
    phase_ = Phase::idle;
    dropDrag();
    isDragDriven_ = false;
    dragEdge_.reset();
    pausedRun_.reset();
    reachedEnd_ = false;
    stopAutomation();
    parts_.keyMonitor.stop();
    hudArea_.reset();
    loopToken_ = 0;
    worker_.reset();
    source_.reset();
    frameInFlight_ = false;
    queuedFrame_ = nullptr;
    windows_.hide();
    model_.reset();
    Q_EMIT stateChanged();
}

void ScrollingCaptureController::dropDrag() {
    if (!drag_) return;
    if (drag_->selection) drag_->selection->end();
    // The selection may be inside one of its own callbacks: it goes on a later turn.
    std::shared_ptr<DragParts> retired(std::move(drag_));
    QTimer::singleShot(0, this, [retired] {});
}

void ScrollingCaptureController::cancel() {
    if (phase_ != Phase::idle) {
        if (worker_) worker_->cancel();
        teardown();
        Q_EMIT cancelled();
    } else if (drag_) {
        dropDrag();
        Q_EMIT stateChanged();
        Q_EMIT cancelled();
    }
}

bool ScrollingCaptureController::handleKey(const ScrollKeyEvent& key) {
    if (!isRunning() || (popupOpen && popupOpen())) return false;
    if (key.modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    switch (key.key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (phase_ == Phase::running) complete();
        return true;
    case Qt::Key_Escape:
        if (isDragDriven_) {
            cancel();
        } else if (runToken_ != 0) {
            endAuto(AutoScrollStop::of(AutoScrollStop::Kind::escape), key.time);
        } else if (escapeStoppedAutoAt_) {
            // The press that stopped the run reaches here too; only a later one cancels. Server
            // times wrap around after 49 days.
            if (static_cast<std::int32_t>(key.time - *escapeStoppedAutoAt_) > 0) cancel();
        } else {
            cancel();
        }
        return true;
    default:
        return false;
    }
}

bool ScrollingCaptureController::beginDragSelection(const std::vector<DragScrollDisplay>& displays,
                                                    const QPointF& point) {
    if (phase_ != Phase::idle || drag_ || !parts_.injector.trusted() || displays.empty() || !makeDragTap ||
        !makeDragPresenter)
        return false;
    auto parts = std::make_unique<DragParts>();
    parts->tap = makeDragTap();
    parts->presenter = makeDragPresenter();
    if (!parts->tap || !parts->presenter) return false;
    parts->selection = std::make_unique<DragScrollSelection>(DragScrollTracker::make(displays, point), *parts->tap,
                                                             *parts->presenter, buttonDown);
    DragScrollSelection& selection = *parts->selection;
    connect(&selection, &DragScrollSelection::selected, this,
            [this](const QRectF& region, const DragScrollDisplay& display) {
                dropDrag();
                begin(region, display.id, display.scale);
            });
    connect(&selection, &DragScrollSelection::locked, this,
            [this](const QRectF& region, const DragScrollDisplay& display, DragScrollEdge edge) {
                begin(region, display.id, display.scale, edge);
            });
    connect(&selection, &DragScrollSelection::zoneChanged, this, &ScrollingCaptureController::setDragEdge);
    connect(&selection, &DragScrollSelection::finished, this, [this] {
        if (phase_ == Phase::running) complete();
    });
    connect(&selection, &DragScrollSelection::cancelled, this, &ScrollingCaptureController::cancel);
    if (!selection.begin()) return false;
    drag_ = std::move(parts);
    Log::capture().log("Drag scroll selection started");
    Q_EMIT stateChanged();
    return true;
}

} // namespace quorvane
