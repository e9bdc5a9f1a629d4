#pragma once

// Runs one scrolling capture at a time: outlines the region, shows the heads-up panel, takes a
// frame of the region every `interval` while its content scrolls (by hand, by posted wheel steps,
// or while a drag is held at a screen edge), and has a stitch worker join the frames into one tall
// image. Ends with exactly one of finished, failed or cancelled per capture.
//
// Every asynchronous result (the frame source, each frame, each report, each timer, the final
// image) carries the capture (`session`) and worker (`generation`) it belongs to, or the token of
// the loop or run that asked for it, and is dropped when those moved on.

#include "capture/CaptureService.h"
#include "scrolling/AutoScrollRun.h"
#include "scrolling/AutoScrollSpeed.h"
#include "scrolling/DragScrollDisplay.h"
#include "scrolling/DragScrollEdge.h"
#include "scrolling/ScrollCaptureWindows.h"
#include "scrolling/ScrollFrameSource.h"
#include "scrolling/ScrollHUDModel.h"
#include "scrolling/ScrollKeyEvent.h"
#include "scrolling/ScrollStitchWorker.h"
#include "scrolling/ScrollTarget.h"
#include "scrolling/ScrollingCaptureResult.h"
#include "scrolling/WheelClickDistance.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class Announcer;
class AutoScrollInputMonitoring;
class DragEventTapping;
class DragScrollSelection;
class DragSelectionPresenting;
class ScrollInjecting;
class ScrollKeyMonitoring;
class ScrollTargetProbing;

class ScrollingCaptureController : public QObject {
    Q_OBJECT

public:
    enum class Phase { idle, running, finishing };

    struct Stats {
        int captured = 0;   // frames handed to the worker
        int stitched = 0;   // frames the worker processed (last report)
        int appended = 0;   // reports that appended rows
        int noProgress = 0;
        int reversed = 0;
        int mismatched = 0;
        int dropped = 0;    // frames the worker let go because two were waiting
        int height = 0;     // stitched height in pixels (last report)
        int autoSteps = 0;  // wheel steps posted by automatic and edge runs

        bool operator==(const Stats&) const = default;
    };

    // How a capture ends: partial with a reason, with an error for when no image exists, and the
    // status the panel shows meanwhile.
    struct Ending {
        bool partial = false;
        std::optional<QString> reason;
        std::optional<QString> error;
        std::optional<QString> status;
    };

    // The system's parts; all outlive the controller.
    struct Parts {
        CaptureService& service;
        ScrollInjecting& injector;
        ScrollTargetProbing& probe;
        AutoScrollInputMonitoring& inputMonitor;
        ScrollKeyMonitoring& keyMonitor;
        Announcer& announcer;
    };

    using Clock = std::chrono::steady_clock;
    using SourceMade = std::function<void(Result<std::shared_ptr<ScrollFrameSource>, Error>)>;

    explicit ScrollingCaptureController(Parts parts, QObject* parent = nullptr);
    ~ScrollingCaptureController() override;

    // ---- Factories and strategies; the defaults are the system's.
    // Answers once, on a later turn.
    std::function<void(const QRectF& region, DisplayID, double scale, SourceMade)> makeSource;
    ScrollStitchWorker::MakeStitcher makeStitcher;
    ScrollStitchWorker::Flip flip;
    std::function<std::unique_ptr<DragEventTapping>()> makeDragTap;
    std::function<std::unique_ptr<DragSelectionPresenting>()> makeDragPresenter;
    // The left button is held now.
    std::function<bool()> buttonDown = [] { return false; };
    std::chrono::milliseconds interval{110};
    // Replaces the settle delay after each posted step.
    std::optional<std::chrono::milliseconds> settleOverride;
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
    // Calls the function once after the delay, on the GUI thread, unless the controller is gone.
    std::function<void(std::chrono::milliseconds, std::function<void()>)> after;
    // The usable area of a display, in global points; none when no screen shows it.
    std::function<std::optional<QRectF>(DisplayID)> visibleFrame = [](DisplayID) {
        return std::optional<QRectF>();
    };
    // The error means that screen capture is not allowed.
    std::function<bool(const Error&)> isPermissionError = [](const Error&) { return false; };
    // A popup of ours holds the keyboard (the speed menu): Escape is its own.
    std::function<bool()> popupOpen;
    std::function<bool()> reduceMotion = [] { return false; };

    // ---- Read and written by the shell.
    AutoScrollSpeed autoSpeed() const { return autoSpeed_; }
    void setAutoSpeed(AutoScrollSpeed speed);
    // Before an area is picked by hand: show the tip about dragging to the screen edge.
    bool showsDragHint = false;
    bool isRunning() const { return phase_ != Phase::idle; }
    Phase phase() const { return phase_; }
    bool hasDragSelection() const;
    // Pixels per point of the capture's display, also after it finished.
    double scale() const { return scale_; }

    bool isDragDriven() const { return isDragDriven_; }
    const Stats& stats() const { return stats_; }
    AutoScrollDirection orientation() const { return orientation_; }
    std::optional<AutoScrollDirection> autoDirection() const { return autoDirection_; }
    const std::optional<AutoScrollStop>& lastAutoStop() const { return lastAutoStop_; }
    const QRectF& region() const { return region_; }
    const std::optional<QRectF>& hudArea() const { return hudArea_; }
    ScrollHUDModel& model() { return model_; }
    ScrollCaptureWindows& windows() { return windows_; }
    DragScrollSelection* dragSelection() const;

    // ---- Captures
    // `region` in global points on the display `displayID`; `edge` only when a drag locked at a
    // screen edge starts it. Nothing unless idle.
    void begin(const QRectF& region, DisplayID displayID, double scale,
               std::optional<DragScrollEdge> edge = std::nullopt);
    // A drag over the display under `point` selects the region; false when none started.
    bool beginDragSelection(const std::vector<DragScrollDisplay>& displays, const QPointF& point);
    // Ends the capture and asks for the final image.
    void complete();
    void complete(const Ending& ending);
    // Ends everything without an image; also a drag selection that started nothing yet.
    void cancel();
    // A key pressed anywhere while a capture runs; true when it was ours.
    bool handleKey(const ScrollKeyEvent& key);

    static QString status(const ScrollStitchOutcome& outcome);

    // ---- Automatic and edge-driven runs
    bool canStartAuto(AutoScrollDirection direction) const;
    void startAuto(AutoScrollDirection direction);
    void requestAccessibility();
    // `time` is the X server's time of the input that stopped the run.
    void endAuto(const AutoScrollStop& stop, std::uint32_t time = 0);
    void setDragEdge(std::optional<DragScrollEdge> edge);
    // Where wheel steps are aimed: the region's centre, or, when the panel covers it, the centre
    // of the largest strip of the region the panel leaves free.
    static QPointF scrollPoint(const QRectF& region, const std::optional<QRectF>& hud);

Q_SIGNALS:
    void finished(const quorvane::ScrollingCaptureResult& result);
    void failed(const QString& message);
    void cancelled();
    // The user picked another speed in the panel.
    void autoSpeedChanged(quorvane::AutoScrollSpeed speed);
    // isRunning, phase or the drag selection changed.
    void stateChanged();

private:
    struct DragParts;
    struct RunContext {
        QPointF center;
        ScrollTarget target;
        std::function<std::int32_t()> step;
        std::function<std::chrono::milliseconds()> settle;
    };
    using FrameDone = std::function<void(Result<QImage, Error>)>;
    using ReportWaiter = std::function<void(std::optional<ScrollStitchWorker::Report>)>;

    // The capture: frames, reports, the end.
    void setPhase(Phase phase);
    void showWindows(DisplayID displayID);
    void sourceMade(Result<std::shared_ptr<ScrollFrameSource>, Error> made, int session);
    void makeWorker(bool flipped);
    void receive(const ScrollStitchWorker::Report& report, int session);
    void sourceFailed(const Error& error, int session);
    void teardown();
    void dropDrag();
    void takeFrame(FrameDone done);
    void startCaptureLoop();
    void loopStep(int token);
    void loopFrame(int token, Clock::time_point start, Result<QImage, Error> frame);
    void finalImage(std::optional<QImage> image, std::optional<QString> message, const Ending& ending,
                    int session);
    int nextToken() { return ++tokens_; }

    // Automatic and edge-driven runs.
    void updateAutoAvailability();
    void showStop(const AutoScrollStop& stop);
    bool switchOrientation(AutoScrollDirection direction, const QString& busy);
    void launchRun(const AutoScrollRun& run, RunContext context, const QString& status);
    void runStep(int token);
    void runFrame(int token, int session, Result<QImage, Error> frame);
    void runReport(int token, int session, std::optional<ScrollStitchWorker::Report> report);
    void learnClickDistance(const std::optional<ScrollStitchOutcome>& outcome);
    // The wheel clicks that move the content by `delta` points, as far as is known.
    int clicksFor(std::int32_t delta) const;
    void stopAutomation();
    void resumeWaiter(std::optional<ScrollStitchWorker::Report> report);
    void startEdgeRun(AutoScrollDirection direction);
    void pauseEdgeRun();
    // A status that asks for the user's attention shows in orange.
    enum class Tone { plain, attention };
    void showDrag(const QString& text, Tone tone);
    void announce(const QString& text);
    void cancelRun();

    Parts parts_;
    AutoScrollSpeed autoSpeed_ = AutoScrollSpeed::normal;
    Phase phase_ = Phase::idle;
    bool isDragDriven_ = false;
    double scale_ = 1;
    Stats stats_;
    std::optional<AutoScrollDirection> autoDirection_;
    std::optional<AutoScrollStop> lastAutoStop_;
    AutoScrollDirection orientation_ = AutoScrollDirection::down;
    int session_ = 0;
    int generation_ = 0;
    QRectF region_;
    std::optional<QRectF> hudArea_;
    std::optional<std::uint32_t> escapeStoppedAutoAt_;
    std::shared_ptr<ScrollFrameSource> source_;
    // The manual capture loop, the run under way: 0 for none. A run whose loop ended by itself
    // still counts as under way until it is ended, as the capture finishing ends it.
    int loopToken_ = 0;
    int runToken_ = 0;
    int tokens_ = 0;
    std::optional<AutoScrollRun> run_;
    std::optional<RunContext> runContext_;
    // How far a wheel click moves the window the runs scroll (`clickTarget_`), learned from the
    // rows the clicks of each step appended; the clicks of the step whose frame is awaited.
    WheelClickDistance clickDistance_;
    std::optional<ScrollTarget> clickTarget_;
    int lastClicks_ = 0;
    bool invertedWheel_ = false;
    std::optional<std::pair<int, ReportWaiter>> waiter_;
    bool frameInFlight_ = false;
    // A frame asked for while one was still on its way starts when that one is in.
    FrameDone queuedFrame_;
    std::unique_ptr<ScrollStitchWorker> worker_;
    ScrollHUDModel model_;
    ScrollCaptureWindows windows_;
    std::unique_ptr<DragParts> drag_;
    std::optional<DragScrollEdge> dragEdge_;
    Clock::time_point zoneEnteredAt_;
    std::optional<AutoScrollRun> pausedRun_;
    bool reachedEnd_ = false;
};

} // namespace quorvane
