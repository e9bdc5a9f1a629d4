// Screen capture under a private Xvfb: a full-display grab of 1920 × 1080 and of 3840 × 2160
// (each timed against a plain memcpy of the same bytes, the physical bound), and the time from
// opening the area picker to the picker showing the frozen image. Medians of 20 runs.

#include "CaptureBench.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/SystemCaptureService.h"
#include "core/AccessibilityOptions.h"
#include "platform/SystemBeeper.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScreen>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace quorvane;
using namespace quorvane::bench;

template<class T, class Start>
Result<T, Error> await(Start start) {
    std::optional<Result<T, Error>> result;
    start([&](Result<T, Error> value) { result = std::move(value); });
    while (!result)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return std::move(*result);
}

const CaptureDisplay* displayNamed(const ShareableContent& content, const char* name) {
    for (const auto& display : content.displays)
        if (display.name == QLatin1String(name)) return &display;
    return nullptr;
}

// One service for the whole run, as the program keeps one.
SystemCaptureService& service() {
    static SystemCaptureService instance;
    return instance;
}

void FullDisplayGrab(benchmark::State& state, const char* monitor) {
    SystemCaptureService& service = ::service();
    const auto content = await<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    const CaptureDisplay* display = content.ok() ? displayNamed(*content, monitor) : nullptr;
    if (display == nullptr) return state.SkipWithError("no such display");
    const ContentFilter filter = ContentFilter::forDisplay(*display, {::getpid()});
    const std::size_t bytes = std::size_t(display->pixelWidth) * std::size_t(display->pixelHeight) * 4;
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto image = await<QImage>([&](auto done) { service.image(filter, std::move(done)); });
        const double grab = seconds(Clock::now() - start);
        if (!image.ok()) return state.SkipWithError("capture failed");
        const auto copyStart = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        const double copy = seconds(Clock::now() - copyStart);
        state.SetIterationTime(grab);
        state.counters["memcpy_ms"] = copy * 1000;
        state.counters["x_memcpy"] = grab / copy;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK_CAPTURE(FullDisplayGrab, 1920x1080, "hd")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(FullDisplayGrab, 3840x2160, "big")->Apply(medianOfRuns);

// Notes when the picker has painted.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void PickerShowsFrozenImage(benchmark::State& state, const char* monitor) {
    SystemCaptureService& service = ::service();
    const auto content = await<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    const CaptureDisplay* display = content.ok() ? displayNamed(*content, monitor) : nullptr;
    QScreen* screen = display != nullptr ? screenForDisplay(*display) : nullptr;
    if (screen == nullptr) return state.SkipWithError("no such display");
    const auto frozen = await<QImage>([&](auto done) {
        service.image(ContentFilter::forDisplay(*display, {::getpid()}), std::move(done));
    });
    if (!frozen.ok()) return state.SkipWithError("capture failed");
    SystemBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay(bell, accessibility);
    for (auto _ : state) {
        PaintWatch watch;
        bool ended = false;
        const auto start = Clock::now();
        overlay.select(*frozen, screen, CaptureGeometry{display->frame, display->scale}, std::nullopt, false,
                       [&](Result<QRectF, Error>) { ended = true; });
        if (overlay.view() == nullptr) return state.SkipWithError("picker not shown");
        overlay.view()->installEventFilter(&watch);
        while (!watch.painted && !ended)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        state.SetIterationTime(seconds(Clock::now() - start));
        overlay.finish(Failure{Error{}});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
BENCHMARK_CAPTURE(PickerShowsFrozenImage, 1920x1080, "hd")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(PickerShowsFrozenImage, 3840x2160, "big")->Apply(medianOfRuns);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOnTwoMonitors(argc, argv);
}
