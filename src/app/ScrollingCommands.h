#pragma once

// The shell's side of the scrolling capture: the one controller with its system parts, the
// Scrolling Capture command (finish a running capture, cancel a waiting drag selection, else start
// one by drag or by the area picker), and what happens with the capture's end.

#include "app/MenuState.h"
#include "capture/CaptureService.h"

#include <QObject>
#include <QPointF>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class Announcer;
class CaptureController;
class Preferences;
class ScrollingCaptureController;
class ScrollingSystem;
struct ScrollingCaptureResult;

class ScrollingCommands : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    // After a capture ended the command waits this long before it starts another.
    static constexpr std::chrono::milliseconds restartPause{2000};

    ScrollingCommands(CaptureController& captures, CaptureService& service, Preferences& preferences,
                      Announcer& announcer, std::unique_ptr<ScrollingSystem> system, QObject* parent = nullptr);
    ~ScrollingCommands() override;

    // Seams of the system, replaced in tests.
    std::function<QPointF()> pointerPosition;
    std::function<Clock::time_point()> now = [] { return Clock::now(); };

    ScrollingCaptureController& controller() const { return *controller_; }
    ScrollingSystem& system() const { return *system_; }

    // The Scrolling Capture command of the menus, the hot key and links.
    void scrollingCapture();
    // Running, or waiting for a drag to pick the region: the other captures wait.
    MenuState::Scrolling state() const;
    bool inProgress() const { return state() != MenuState::Scrolling::none; }
    // At termination.
    void cancel();

    const std::optional<Clock::time_point>& endedAt() const { return endedAt_; }

Q_SIGNALS:
    // state() changed.
    void stateChanged();
    // What the shell does for a scrolling capture: the editor for its failure, the thumbnail
    // out of the way before it starts, a confirmation when it is cancelled.
    void editorRequested();
    void thumbnailDismissRequested();
    void confirmation(const QString& message);

private:
    void start(Result<ShareableContent, Error> content, QPointF pointer);
    void finished(const ScrollingCaptureResult& result);
    std::optional<QRectF> visibleFrame(DisplayID display) const;

    CaptureController& captures_;
    CaptureService& service_;
    Preferences& preferences_;
    std::unique_ptr<ScrollingSystem> system_;
    std::unique_ptr<ScrollingCaptureController> controller_;
    std::optional<Clock::time_point> endedAt_;
    // The displays as last listed, for placing the heads-up panel.
    std::vector<CaptureDisplay> displays_;
    // The displays are being listed for a start.
    bool starting_ = false;
};

} // namespace quorvane
