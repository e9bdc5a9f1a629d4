// Screen capture under a private Xvfb showing terminals full of text: a full-display grab of
// 1920 × 1080 and of 3840 × 2160 (each timed against a plain memcpy of the same bytes, the
// physical bound), the whole road from a grab to a PNG file with its split, a window capture
// with and without a window covering it, and the time from opening the area picker to the
// picker showing the frozen image. Medians of 20 runs.

#include "CaptureBench.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/SystemCaptureService.h"
#include "core/AccessibilityOptions.h"
#include "export/ImageExporter.h"
#include "platform/SystemBeeper.h"
#include "support/DesktopScenes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
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

// The windows on show, re-admitted to display captures as the program re-admits its editor.
std::vector<WindowID>& shownWindows() {
    static std::vector<WindowID> ids;
    return ids;
}

// One service for the whole run, as the program keeps one.
SystemCaptureService& service() {
    static SystemCaptureService instance;
    return instance;
}

// The monitor as the program captures it: this process left out, its shown windows re-admitted.
std::optional<std::pair<CaptureDisplay, ContentFilter>> displayFilter(const char* monitor) {
    const auto content = await<ShareableContent>([&](auto done) { service().targets(std::move(done)); });
    const CaptureDisplay* display = content.ok() ? displayNamed(*content, monitor) : nullptr;
    if (display == nullptr) return std::nullopt;
    return std::pair(*display, ContentFilter::forDisplay(*display, {::getpid()}, shownWindows()));
}

void FullDisplayGrab(benchmark::State& state, const char* monitor) {
    SystemCaptureService& service = ::service();
    const auto found = displayFilter(monitor);
    if (!found) return state.SkipWithError("no such display");
    const auto& [displayFound, filter] = *found;
    const CaptureDisplay* display = &displayFound;
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

// Capture to file in a resident process: grab, PNG encoding, and the no-overwrite write.
void CaptureToFile(benchmark::State& state, const char* monitor) {
    SystemCaptureService& service = ::service();
    const auto found = displayFilter(monitor);
    if (!found) return state.SkipWithError("no such display");
    const ContentFilter& filter = found->second;
    QTemporaryDir folder;
    const QUrl url = QUrl::fromLocalFile(folder.path());
    double size = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto image = await<QImage>([&](auto done) { service.image(filter, std::move(done)); });
        const auto grabbed = Clock::now();
        if (!image.ok()) return state.SkipWithError("capture failed");
        const auto bytes = ImageExporter::encode(*image, ImageExporter::Format::png, 0.9);
        const auto encoded = Clock::now();
        if (!bytes) return state.SkipWithError("encoding failed");
        if (!ImageExporter::write(*bytes, ImageExporter::uniqueURL(url, ImageExporter::Format::png),
                                  ImageExporter::hardLink))
            return state.SkipWithError("write failed");
        const auto written = Clock::now();
        state.SetIterationTime(seconds(written - start));
        state.counters["grab_ms"] = seconds(grabbed - start) * 1000;
        state.counters["encode_ms"] = seconds(encoded - grabbed) * 1000;
        state.counters["write_ms"] = seconds(written - encoded) * 1000;
        size = static_cast<double>(bytes->size());
    }
    state.counters["kB"] = size / 1000;
}
BENCHMARK_CAPTURE(CaptureToFile, 1920x1080, "hd")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(CaptureToFile, 3840x2160, "big")->Apply(medianOfRuns);

// A window capture, with the window in plain view or partly covered: the covered one is
// redirected off screen for the capture and painted anew by its application.
void WindowCapture(benchmark::State& state, bool covered) {
    SystemCaptureService& service = ::service();
    QWidget window, cover;
    window.setWindowFlag(Qt::FramelessWindowHint);
    cover.setWindowFlag(Qt::FramelessWindowHint);
    window.setStyleSheet(QStringLiteral("background: #3060a0;"));
    window.setGeometry(4000, 200, 1200, 800);
    cover.setGeometry(4400, 400, 300, 300);
    window.show();
    if (covered) cover.show();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const auto content = await<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    const auto listed =
        content.ok() ? std::find_if(content->windows.begin(), content->windows.end(),
                                    [&](const CaptureWindow& w) { return w.windowID == window.winId(); })
                     : std::vector<CaptureWindow>::const_iterator{};
    if (!content.ok() || listed == content->windows.end()) return state.SkipWithError("window not listed");
    const ContentFilter filter = ContentFilter::forWindow(*listed);
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto image = await<QImage>([&](auto done) { service.image(filter, std::move(done)); });
        if (!image.ok()) return state.SkipWithError("capture failed");
        state.SetIterationTime(seconds(Clock::now() - start));
    }
}
BENCHMARK_CAPTURE(WindowCapture, inView, false)->Apply(medianOfRuns);
BENCHMARK_CAPTURE(WindowCapture, covered, true)->Apply(medianOfRuns);

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
        overlay.select(*frozen, screen, CaptureGeometry{display->frame, display->scale}, std::nullopt,
                       AreaSelectionOverlay::Task::running, [&](Result<QRectF, Error>) { ended = true; });
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

// A private X server with a 3840 × 2160 and a 1920 × 1080 monitor side by side.
int main(int argc, char** argv) {
    // Real content on both monitors, as another application's windows, so that the display
    // filter leaves it in.
    return quorvane::bench::runOnTwoMonitors(argc, argv, [](test::XvfbServer& server) {
        auto scene = std::make_shared<std::vector<std::unique_ptr<QWidget>>>(
            quorvane::test::showScene(quorvane::test::DesktopScene::terminals, QSize(5760, 2160)));
        for (const auto& window : *scene) {
            shownWindows().push_back(quorvane::WindowID(window->winId()));
            server.run(QStringLiteral("xprop"),
                       {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("-f"),
                        QStringLiteral("_NET_WM_PID"), QStringLiteral("32c"), QStringLiteral("-set"),
                        QStringLiteral("_NET_WM_PID"), QStringLiteral("1")});
        }
        return std::shared_ptr<void>(scene);
    });
}
