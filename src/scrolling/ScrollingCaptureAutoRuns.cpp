// The scrolling capture controller's automatic and edge-driven runs: one frame, the wait for its
// report, the policy's decision, one posted wheel step, the settle delay, and again.

#include "core/Announcer.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "scrolling/AutoScrollInputMonitoring.h"
#include "scrolling/DragScrollRamp.h"
#include "scrolling/DragScrollStatus.h"
#include "scrolling/ScrollInjecting.h"
#include "scrolling/ScrollTargetProbing.h"
#include "scrolling/ScrollingCaptureController.h"

#include <QPointer>
#include <cmath>

namespace quorvane {
namespace {

using Stop = AutoScrollStop::Kind;

} // namespace

bool ScrollingCaptureController::canStartAuto(AutoScrollDirection direction) const {
    if (phase_ != Phase::running || isDragDriven_ || runToken_ != 0 || !source_) return false;
    if (direction == orientation_) return true;
    // The direction can change only before anything was appended.
    return worker_ && !worker_->appendedRows();
}

void ScrollingCaptureController::updateAutoAvailability() {
    model_.setCanAutoDown(canStartAuto(AutoScrollDirection::down));
    model_.setCanAutoUp(canStartAuto(AutoScrollDirection::up));
    model_.setOrientation(orientation_);
}

void ScrollingCaptureController::startAuto(AutoScrollDirection direction) {
    if (!canStartAuto(direction)) return;
    ScrollInjecting& injector = parts_.injector;
    if (!injector.trusted()) {
        model_.setNeedsAccess(true);
        model_.setAttention(true);
        model_.setStatus(QStringLiteral("Auto scroll needs Accessibility to send scroll events to other apps"));
        return;
    }
    model_.setNeedsAccess(false);
    const QPointF point = scrollPoint(region_, hudArea_);
    const QPointF anchor = injector.warpPointer(point).value_or(point);
    const auto target = parts_.probe.target(point);
    if (!target) {
        showStop(AutoScrollStop::of(Stop::noTarget));
        return;
    }
    if (!switchOrientation(direction, QStringLiteral("Still stitching — press Auto again"))) return;
    const std::chrono::milliseconds settle = settleOverride.value_or(settleDelay(autoSpeed_));
    const std::int32_t step = std::max(4, stepForRegionHeight(autoSpeed_, geom::height(region_)));
    launchRun(AutoScrollRun::make(direction, step, invertedWheel_),
              RunContext{point, *target, nullptr, [settle] { return settle; }},
              QStringLiteral("Auto scrolling — move the pointer or press a key to stop"));
    parts_.inputMonitor.start(anchor, [self = QPointer(this), session = session_](const AutoScrollStop& stop,
                                                                                  std::uint32_t time) {
        ScrollingCaptureController* controller = self;
        if (controller != nullptr && controller->session_ == session) controller->endAuto(stop, time);
    });
}

void ScrollingCaptureController::requestAccessibility() {
    if (phase_ != Phase::running) return;
    const bool first = !parts_.injector.prompted();
    parts_.injector.requestAccess();
    // X11 has no settings page of its own for this: the desktop's is meant.
    model_.setStatus(first ? QStringLiteral("Answer the system prompt, then press Auto again (Allow Access… again "
                                            "opens the desktop's settings)")
                           : QStringLiteral("Allow Quorvane under Accessibility, then press Auto again — or scroll "
                                            "manually"));
}

bool ScrollingCaptureController::switchOrientation(AutoScrollDirection direction, const QString& busy) {
    if (direction == orientation_) return true;
    // Only the GUI thread adds frames: with none waiting and none being stitched, whether rows
    // were appended cannot change any more.
    if (worker_ && worker_->pendingCount() == 0 && !worker_->isProcessing() && !worker_->appendedRows()) {
        worker_->stop();
        worker_->cancel();
        orientation_ = direction;
        model_.setOrientation(direction);
        // The next frame is the new worker's first.
        makeWorker(direction == AutoScrollDirection::up);
        const Stats kept = stats_;
        stats_ = {};
        stats_.captured = kept.captured;
        stats_.autoSteps = kept.autoSteps;
        return true;
    }
    model_.setStatus(busy);
    model_.setAttention(true);
    updateAutoAvailability();
    return false;
}

void ScrollingCaptureController::launchRun(const AutoScrollRun& run, RunContext context, const QString& status) {
    if (!source_) return;
    // The manual loop ends; a frame it still waits for is dropped before the run takes its own.
    loopToken_ = 0;
    lastAutoStop_.reset();
    autoDirection_ = run.direction;
    run_ = run;
    // Another window may move by another distance a click.
    if (clickTarget_ != context.target) {
        clickDistance_ = {};
        clickTarget_ = context.target;
    }
    lastClicks_ = 0;
    runContext_ = std::move(context);
    model_.setAutoDirection(run.direction);
    model_.setAttention(false);
    model_.setStatus(status);
    const int token = runToken_ = nextToken();
    updateAutoAvailability();
    Log::capture().log("Auto scroll started: {}, step {}, drag {}", rawValue(run.direction), run.step,
                       isDragDriven_);
    runStep(token);
}

void ScrollingCaptureController::runStep(int token) {
    if (token != runToken_) return;
    takeFrame([self = QPointer(this), token, session = session_](Result<QImage, Error> frame) {
        if (self) self->runFrame(token, session, std::move(frame));
    });
}

void ScrollingCaptureController::runFrame(int token, int session, Result<QImage, Error> frame) {
    if (token != runToken_) return;
    if (!frame) {
        if (!isCancellation(frame.error())) sourceFailed(frame.error(), session);
        return;
    }
    if (session != session_ || phase_ != Phase::running) return;
    ++stats_.captured;
    if (!worker_) return;
    // A stopped worker takes nothing more: the run ends quietly, the capture is finishing.
    const std::optional<int> sequence = worker_->enqueue(*frame);
    if (!sequence) return;
    waiter_.emplace(*sequence, [self = QPointer(this), token, session](auto report) {
        if (self) self->runReport(token, session, std::move(report));
    });
}

void ScrollingCaptureController::runReport(int token, int session,
                                           std::optional<ScrollStitchWorker::Report> report) {
    if (token != runToken_ || !report) return;
    if (session != session_ || phase_ != Phase::running || !run_ || !runContext_) return;
    learnClickDistance(report->outcome);
    const RunContext& context = *runContext_;
    if (context.step) run_->step = std::max(4, context.step());
    ScrollInjecting& injector = parts_.injector;
    const bool trusted = injector.trusted();
    const auto current = parts_.probe.target(context.center);
    const AutoScrollRun::Decision decision =
        run_->next(report->outcome, {.trusted = trusted, .sameTarget = current == context.target});
    if (decision.stop) {
        endAuto(*decision.stop);
        return;
    }
    const int clicks = clicksFor(*decision.scroll);
    if (!injector.post(clicks, context.center)) {
        endAuto(AutoScrollStop::of(Stop::injectionFailed));
        return;
    }
    lastClicks_ = clicks;
    ++stats_.autoSteps;
    after(context.settle(), [self = QPointer(this), token] {
        if (self) self->runStep(token);
    });
}

void ScrollingCaptureController::learnClickDistance(const std::optional<ScrollStitchOutcome>& outcome) {
    // The frame after a step shows what its clicks did; appended rows are the distance moved.
    if (lastClicks_ != 0 && outcome && outcome->kind == ScrollStitchOutcome::Kind::appended)
        clickDistance_.observe(lastClicks_, outcome->rows);
    lastClicks_ = 0;
}

int ScrollingCaptureController::clicksFor(std::int32_t delta) const {
    // Steps are in points; frames and what the stitcher appends, in pixels.
    const int frameRows = static_cast<int>(std::round(geom::height(region_) * scale_));
    return clickDistance_.clicks(double(delta) * scale_, frameRows);
}

void ScrollingCaptureController::resumeWaiter(std::optional<ScrollStitchWorker::Report> report) {
    if (!waiter_) return;
    const ReportWaiter resume = std::move(waiter_->second);
    waiter_.reset();
    resume(std::move(report));
}

void ScrollingCaptureController::cancelRun() {
    runToken_ = 0;
    parts_.inputMonitor.stop();
    resumeWaiter(std::nullopt);
}

void ScrollingCaptureController::endAuto(const AutoScrollStop& stop, std::uint32_t time) {
    if (runToken_ == 0) return;
    cancelRun();
    // A wheel inversion the run learned holds for the rest of the capture.
    if (run_ && run_->appendedRows >= 1) invertedWheel_ = run_->inverted;
    Log::capture().log("Auto scroll ended after {} steps: {}", run_ ? run_->steps : 0L, stop.name());
    if (stop.kind == Stop::escape) escapeStoppedAutoAt_ = time;
    run_.reset();
    runContext_.reset();
    autoDirection_.reset();
    lastAutoStop_ = stop;
    model_.setAutoDirection(std::nullopt);
    if (!isDragDriven_) {
        // The stitcher's stop already ends the capture.
        if (stop.kind == Stop::stitchStopped) return;
        if (stop.kind == Stop::endReached) {
            complete({false, std::nullopt, std::nullopt, stop.message()});
            return;
        }
        showStop(stop);
    } else {
        pausedRun_.reset();
        if (stop.kind == Stop::stitchStopped) return;
        reachedEnd_ = stop.kind == Stop::endReached || (stop.kind == Stop::noEffect && stats_.appended > 0);
        showDrag(DragScrollStatus::stopped(stop, stats_.appended >= 1),
                 reachedEnd_ ? Tone::plain : Tone::attention);
    }
    // Scrolling by hand goes on.
    startCaptureLoop();
}

void ScrollingCaptureController::showStop(const AutoScrollStop& stop) {
    lastAutoStop_ = stop;
    model_.setStatus(stop.message());
    model_.setAttention(true);
    updateAutoAvailability();
}

void ScrollingCaptureController::stopAutomation() {
    runToken_ = 0;
    run_.reset();
    runContext_.reset();
    autoDirection_.reset();
    parts_.inputMonitor.stop();
    resumeWaiter(std::nullopt);
}

void ScrollingCaptureController::setDragEdge(std::optional<DragScrollEdge> edge) {
    if (phase_ != Phase::running || !isDragDriven_) return;
    dragEdge_ = edge;
    // The capture's start calls again once the frame source exists.
    if (!source_) return;
    if (edge) {
        const AutoScrollDirection direction = directionOf(*edge);
        if (runToken_ != 0) {
            if (autoDirection_ == direction) return;
            pauseEdgeRun();
        }
        startEdgeRun(direction);
        return;
    }
    pauseEdgeRun();
    if (!reachedEnd_) showDrag(DragScrollStatus::paused(orientation_), Tone::plain);
}

void ScrollingCaptureController::startEdgeRun(AutoScrollDirection direction) {
    if (phase_ != Phase::running || !isDragDriven_ || runToken_ != 0 || !source_) return;
    if (!parts_.injector.trusted()) {
        showDrag(QStringLiteral("Accessibility access was turned off — release to finish"), Tone::attention);
        return;
    }
    const QPointF point = scrollPoint(region_, hudArea_);
    const auto target = parts_.probe.target(point);
    if (!target) {
        lastAutoStop_ = AutoScrollStop::of(Stop::noTarget);
        showDrag(QStringLiteral("No window under the area to scroll — release to finish"), Tone::attention);
        return;
    }
    if (direction != orientation_) {
        if (!worker_ || worker_->appendedRows()) {
            showDrag(DragScrollStatus::directionLocked(orientation_), Tone::attention);
            return;
        }
        if (!switchOrientation(direction, QStringLiteral("Still stitching — leave the edge and come back"))) return;
        pausedRun_.reset();
    }
    reachedEnd_ = false;
    zoneEnteredAt_ = now();
    const double height = geom::height(region_);
    // A run paused at the same edge goes on with its counters; a capture that has content never
    // tries the other wheel direction.
    const AutoScrollRun run = pausedRun_ && pausedRun_->direction == direction
                                  ? *pausedRun_
                                  : AutoScrollRun{direction, std::max(4, DragScrollRamp::step(height, 0)),
                                                  invertedWheel_, 0, 0, 0, stats_.appended > 0};
    pausedRun_.reset();
    // The longer the pointer stays at the edge, the larger the steps and the shorter the pauses.
    const auto dwell = [self = QPointer(this)] {
        const ScrollingCaptureController* controller = self;
        return controller != nullptr
                   ? std::chrono::duration<double>(controller->now() - controller->zoneEnteredAt_).count()
                   : 0.0;
    };
    launchRun(run,
              RunContext{point, *target, [height, dwell] { return DragScrollRamp::step(height, dwell()); },
                         [override = settleOverride, dwell] {
                             return override.value_or(DragScrollRamp::settle(dwell()));
                         }},
              DragScrollStatus::scrolling(direction));
    announce(DragScrollStatus::scrolling(direction));
}

void ScrollingCaptureController::pauseEdgeRun() {
    if (runToken_ == 0) return;
    runToken_ = 0;
    resumeWaiter(std::nullopt);
    if (run_ && run_->appendedRows >= 1) invertedWheel_ = run_->inverted;
    pausedRun_ = run_;
    run_.reset();
    runContext_.reset();
    autoDirection_.reset();
    model_.setAutoDirection(std::nullopt);
    startCaptureLoop();
}

void ScrollingCaptureController::showDrag(const QString& text, Tone tone) {
    // Repeated zone events announce each text once.
    if (model_.status() == text) return;
    model_.setStatus(text);
    model_.setAttention(tone == Tone::attention);
    announce(text);
}

void ScrollingCaptureController::announce(const QString& text) {
    parts_.announcer.announce(text);
}

QPointF ScrollingCaptureController::scrollPoint(const QRectF& region, const std::optional<QRectF>& hud) {
    const QPointF centre(geom::midX(region), geom::midY(region));
    if (!hud) return centre;
    const QRectF grown = geom::insetBy(*hud, -24, -24);
    if (!geom::contains(grown, centre)) return centre;
    const double left = geom::minX(region), top = geom::minY(region), right = geom::maxX(region),
                 bottom = geom::maxY(region), width = geom::width(region), height = geom::height(region);
    const QRectF candidates[] = {
        QRectF(left, top, width, std::max(0.0, geom::minY(grown) - top)),
        QRectF(left, geom::maxY(grown), width, std::max(0.0, bottom - geom::maxY(grown))),
        QRectF(left, top, std::max(0.0, geom::minX(grown) - left), height),
        QRectF(geom::maxX(grown), top, std::max(0.0, right - geom::maxX(grown)), height),
    };
    const QRectF* best = nullptr;
    for (const QRectF& candidate : candidates) {
        if (!(candidate.width() > 0 && candidate.height() > 0)) continue;
        // An earlier strip wins a tie.
        if (best == nullptr || candidate.width() * candidate.height() > best->width() * best->height())
            best = &candidate;
    }
    return best != nullptr ? QPointF(geom::midX(*best), geom::midY(*best)) : centre;
}

} // namespace quorvane
