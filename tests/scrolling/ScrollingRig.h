#pragma once

// The scrolling capture controller with fakes for what only a desktop has (frames, trust, windows,
// the user's input), a scripted stitcher on the real stitch worker, and fast timers.

#include "capture/CaptureControllerRig.h"
#include "core/Announcer.h"
#include "scrolling/AutoScrollInputMonitoring.h"
#include "scrolling/ScrollInjecting.h"
#include "scrolling/ScrollKeyMonitoring.h"
#include "scrolling/ScrollTargetProbing.h"
#include "scrolling/ScrollingCaptureController.h"
#include "support/LogLines.h"
#include "support/WaitUntil.h"

#include <QTimer>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace quorvane::test {

struct FakeInjector final : ScrollInjecting {
    bool trust = true;
    bool hasPrompted = false;
    int requests = 0;
    // The clicks of each step posted.
    std::vector<int> posted;
    std::optional<QPointF> pointer;
    // The application under the pointer taking each step.
    std::function<void(int clicks)> onPost;

    bool trusted() const override { return trust; }
    bool prompted() const override { return hasPrompted; }
    void requestAccess() override {
        ++requests;
        hasPrompted = true;
    }
    bool post(int clicks, const QPointF&) override {
        if (!trust) return false;
        posted.push_back(clicks);
        if (onPost) onPost(clicks);
        return true;
    }
    std::optional<QPointF> warpPointer(const QPointF& point) override { return pointer = point; }
};

struct FakeProbe final : ScrollTargetProbing {
    std::optional<ScrollTarget> under = ScrollTarget{77, 4242};
    std::optional<ScrollTarget> target(const QPointF&) override { return under; }
};

struct FakeInputMonitor final : AutoScrollInputMonitoring {
    Handler handler;
    bool start(const QPointF&, Handler h) override {
        handler = std::move(h);
        return true;
    }
    void stop() override { handler = nullptr; }
};

struct FakeKeyMonitor final : ScrollKeyMonitoring {
    std::function<bool(const ScrollKeyEvent&)> handler;
    void start(std::function<bool(const ScrollKeyEvent&)> h) override { handler = std::move(h); }
    void stop() override { handler = nullptr; }
    // Whether the handler took the key; false when no capture listens.
    bool press(int key, std::uint32_t time = 1, Qt::KeyboardModifiers modifiers = {}) {
        return handler && handler(ScrollKeyEvent{key, modifiers, false, time});
    }
};

// What the stitcher answers, frame after frame, shared with the worker's thread.
struct StitchScript {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<ScrollStitchOutcome> outcomes;
    bool refuseFirst = false;
    // While set, add() waits: a frame stays "being stitched".
    bool hold = false;
    int added = 0;

    void push(std::initializer_list<ScrollStitchOutcome> next) {
        const std::lock_guard lock(mutex);
        outcomes.insert(outcomes.end(), next);
    }
    void setHold(bool on) {
        {
            const std::lock_guard lock(mutex);
            hold = on;
        }
        wake.notify_all();
    }
};

class ScriptedStitcher final : public ScrollStitching {
public:
    ScriptedStitcher(std::shared_ptr<StitchScript> script, const QImage& first)
        : script_(std::move(script)), width_(first.width()), height_(first.height()) {}
    int height() const override { return height_; }
    ScrollStitchOutcome add(const QImage&) override {
        std::unique_lock lock(script_->mutex);
        script_->wake.wait(lock, [this] { return !script_->hold; });
        ++script_->added;
        if (stopped_) return *stopped_;
        ScrollStitchOutcome outcome = ScrollStitchOutcome::noProgress();
        if (!script_->outcomes.empty()) {
            outcome = script_->outcomes.front();
            script_->outcomes.pop_front();
        }
        if (outcome.kind == ScrollStitchOutcome::Kind::appended) height_ += outcome.rows;
        if (outcome.stops()) stopped_ = outcome;
        return outcome;
    }
    std::optional<QImage> result() const override {
        QImage image(width_, height_, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::darkCyan);
        return image;
    }

private:
    std::shared_ptr<StitchScript> script_;
    int width_, height_;
    std::optional<ScrollStitchOutcome> stopped_;
};

// Frames answered on a later turn; an error instead once `error` is set.
class FakeFrameSource final : public ScrollFrameSource {
public:
    std::shared_ptr<std::optional<Error>> error = std::make_shared<std::optional<Error>>();
    void frame(Completion done) override {
        QTimer::singleShot(0, [alive = std::weak_ptr(alive_), error = error, done = std::move(done)] {
            if (alive.expired()) return;
            if (*error) return done(Failure{**error});
            QImage image(400, 300, QImage::Format_RGBA8888_Premultiplied);
            image.fill(Qt::white);
            done(image);
        });
    }

private:
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

struct ScrollingRig {
    FakeCaptureService service;
    FakeInjector injector;
    FakeProbe probe;
    FakeInputMonitor input;
    FakeKeyMonitor keys;
    Announcer announcer;
    LogLines log{"capture"};
    std::shared_ptr<StitchScript> script = std::make_shared<StitchScript>();
    // Set before begin() for a source that fails to be made.
    std::optional<Error> sourceError;
    std::shared_ptr<std::optional<Error>> frameError = std::make_shared<std::optional<Error>>();
    std::vector<ScrollingCaptureResult> finished;
    std::vector<QString> failures;
    int cancels = 0;
    std::vector<QString> statuses;
    ScrollingCaptureController controller{{service, injector, probe, input, keys, announcer}};

    ScrollingRig() {
        controller.interval = std::chrono::milliseconds(15);
        controller.settleOverride = std::chrono::milliseconds(5);
        controller.makeSource = [this](const QRectF&, DisplayID, double, ScrollingCaptureController::SourceMade done) {
            QTimer::singleShot(0, &controller, [this, done] {
                if (sourceError) return done(Failure{*sourceError});
                auto source = std::make_shared<FakeFrameSource>();
                source->error = frameError;
                done(std::shared_ptr<ScrollFrameSource>(source));
            });
        };
        controller.makeStitcher = [script = script](const QImage& first) -> std::unique_ptr<ScrollStitching> {
            if (script->refuseFirst) return nullptr;
            return std::make_unique<ScriptedStitcher>(script, first);
        };
        QObject::connect(&controller, &ScrollingCaptureController::finished,
                         [this](const ScrollingCaptureResult& result) { finished.push_back(result); });
        QObject::connect(&controller, &ScrollingCaptureController::failed,
                         [this](const QString& message) { failures.push_back(message); });
        QObject::connect(&controller, &ScrollingCaptureController::cancelled, [this] { ++cancels; });
        QObject::connect(&controller.model(), &ScrollHUDModel::statusChanged,
                         [this] { statuses.push_back(controller.model().status()); });
    }
    ~ScrollingRig() { script->setHold(false); }

    int endings() const { return static_cast<int>(finished.size() + failures.size()) + cancels; }
    void begin(std::optional<DragScrollEdge> edge = std::nullopt) {
        controller.begin(QRectF(100, 100, 400, 300), 1, 1, edge);
    }
    // Runs the event loop until the capture has stitched `frames` frames.
    bool stitched(int frames) {
        return waitUntil([&] { return controller.stats().stitched >= frames; });
    }
    bool ended() { return waitUntil([&] { return endings() > 0; }); }
    bool logged(const std::string& line) const { return log.count(line) > 0; }
};

} // namespace quorvane::test
