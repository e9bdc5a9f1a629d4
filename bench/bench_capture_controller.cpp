// The capture controller under a private Xvfb: Capture Screen from run() to the new document,
// against the bare grab of the same monitor, on 1920 × 1080 and 3840 × 2160; and Repeat Area of
// a 1000 × 800 area on the 3840 × 2160 monitor. Medians of 20 runs. "copies" counts documents
// whose pixels are not the grabbed bitmap itself (the controller should add none).

#include "CaptureBench.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "capture/SystemCaptureService.h"
#include "core/AccessibilityOptions.h"
#include "platform/SystemBeeper.h"

#include <QApplication>
#include <QCursor>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

using namespace quorvane;
using namespace quorvane::bench;

// The system service, remembering the pixels of the last grab it delivered.
class WatchedService final : public CaptureService {
public:
    const uchar* lastBits = nullptr;
    SystemCaptureService system;

protected:
    void loadTargets(Completion<ShareableContent> done) override { system.targets(std::move(done)); }
    void takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override {
        system.image(filter, configuration, [this, done = std::move(done)](Result<QImage, Error> result) {
            lastBits = result ? result->constBits() : nullptr;
            done(std::move(result));
        });
    }
};

struct Rig {
    WatchedService service;
    SystemBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    CaptureController controller{service, overlay, unaskedQuestions()};
};

Rig& rig() {
    static Rig instance;
    return instance;
}

void pointAt(const CaptureDisplay& display) {
    QCursor::setPos(display.frame.center().toPoint());
    turnUntil([&] { return QCursor::pos() == display.frame.center().toPoint(); });
}

void BareGrab(benchmark::State& state, const char* monitor) {
    const auto display = displayNamed(rig().service.system, monitor);
    if (!display) return state.SkipWithError("no such display");
    for (auto _ : state) {
        bool done = false;
        const auto start = Clock::now();
        rig().service.system.image(ContentFilter::forDisplay(*display, {::getpid()}),
                                   [&](Result<QImage, Error>) { done = true; });
        turnUntil([&] { return done; });
        state.SetIterationTime(seconds(Clock::now() - start));
    }
}

// The listing every capture starts with.
void Listing(benchmark::State& state) {
    for (auto _ : state) {
        bool done = false;
        const auto start = Clock::now();
        rig().service.system.targets([&](Result<ShareableContent, Error>) { done = true; });
        turnUntil([&] { return done; });
        state.SetIterationTime(seconds(Clock::now() - start));
    }
}

// A document made from a grabbed bitmap and dropped again.
void DocumentFromGrab(benchmark::State& state) {
    const auto display = displayNamed(rig().service.system, "big");
    if (!display) return state.SkipWithError("no such display");
    std::optional<Result<QImage, Error>> grab;
    rig().service.system.image(ContentFilter::forDisplay(*display),
                               [&](Result<QImage, Error> r) { grab = r; });
    turnUntil([&] { return grab.has_value(); });
    if (!grab->ok()) return state.SkipWithError("grab failed");
    for (auto _ : state) {
        const auto start = Clock::now();
        auto* document = new EditorDocument(grab->value(), std::nullopt, 1);
        state.SetIterationTime(seconds(Clock::now() - start));
        delete document;
    }
}

void CaptureScreen(benchmark::State& state, const char* monitor) {
    const auto display = displayNamed(rig().service.system, monitor);
    if (!display) return state.SkipWithError("no such display");
    pointAt(*display);
    CaptureController& c = rig().controller;
    int copies = 0;
    for (auto _ : state) {
        EditorDocument* before = c.document();
        const auto start = Clock::now();
        c.captureDisplay();
        turnUntil([&] { return c.document() != before || !c.isBusy(); });
        state.SetIterationTime(seconds(Clock::now() - start));
        if (c.document() == before) return state.SkipWithError("capture failed");
        if (c.document()->image().constBits() != rig().service.lastBits) ++copies;
        turnUntil([&] { return !c.isBusy(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["copies"] = copies;
}

void RepeatArea(benchmark::State& state) {
    const auto display = displayNamed(rig().service.system, "big");
    if (!display) return state.SkipWithError("no such display");
    pointAt(*display);
    CaptureController& c = rig().controller;
    c.captureArea();
    turnUntil([&] { return rig().overlay.isOpen() || !c.isBusy(); });
    rig().overlay.finish(QRectF(display->frame.x() + 500, display->frame.y() + 400, 1000, 800));
    turnUntil([&] { return !c.isBusy(); });
    if (!c.canRepeatArea()) return state.SkipWithError("no area saved");
    for (auto _ : state) {
        EditorDocument* before = c.document();
        const auto start = Clock::now();
        c.repeatArea();
        turnUntil([&] { return c.document() != before || !c.isBusy(); });
        state.SetIterationTime(seconds(Clock::now() - start));
        if (c.document() == before) return state.SkipWithError("repeat failed");
        turnUntil([&] { return !c.isBusy(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

BENCHMARK_CAPTURE(BareGrab, 1920x1080, "hd")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(CaptureScreen, 1920x1080, "hd")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(BareGrab, 3840x2160, "big")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(CaptureScreen, 3840x2160, "big")->Apply(medianOfRuns);
BENCHMARK(RepeatArea)->Apply(medianOfRuns);
BENCHMARK(Listing)->Apply(medianOfRuns);
BENCHMARK(DocumentFromGrab)->Apply(medianOfRuns);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOnTwoMonitors(argc, argv);
}
