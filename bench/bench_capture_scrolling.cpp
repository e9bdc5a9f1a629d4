// The scrolling capture on a private Xvfb (a 3840 × 2160 monitor "big" beside a 1920 × 1080
// monitor "hd"), over a page that another process scrolls by itself:
// - frame cadence: median and 95th percentile of the intervals between frame starts (goal
//   110 ms) and this process's CPU use, for a 1920 × 1080 region with the panel beside it, and for
//   1920 × 1080 and 3840 × 2160 regions that fill their display, where the panel lies on the
//   region and is taken off the screen for every frame;
// - a 20,000-row capture: time from the last frame to the opened document, and the peak memory
//   the capture added, against 1.2 × the final image + two frames.
// One run each; run by hand for figures.

#include "CaptureBench.h"
#include "app/ScrollingSystem.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "capture/SystemCaptureService.h"
#include "core/AccessibilityOptions.h"
#include "core/Announcer.h"
#include "document/EditorDocument.h"
#include "platform/SystemBeeper.h"
#include "scrolling/ScreenRegionFrameSource.h"
#include "scrolling/ScrollingCaptureController.h"
#include "support/ScrollPage.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace {

using namespace quorvane;
using namespace quorvane::bench;

// Runs the event loop, sleeping in it, until `done` holds (looked at every 10 ms) or `timeoutMs`
// passed: the process's CPU time is then the capture's alone.
void sleepUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    look.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// VmRSS or VmHWM of this process, in bytes.
double memory(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size() + 1)) * 1024;
    return 0;
}

// A source that notes when each frame is asked for and when it arrives.
class TimedSource final : public ScrollFrameSource {
public:
    TimedSource(std::shared_ptr<ScrollFrameSource> inner, std::vector<Clock::time_point>& starts,
                Clock::time_point& arrived)
        : inner_(std::move(inner)), starts_(starts), arrived_(arrived) {}
    void frame(Completion done) override {
        starts_.push_back(Clock::now());
        inner_->frame([this, done = std::move(done)](Result<QImage, Error> image) {
            arrived_ = Clock::now();
            done(std::move(image));
        });
    }

private:
    std::shared_ptr<ScrollFrameSource> inner_;
    std::vector<Clock::time_point>& starts_;
    Clock::time_point& arrived_;
};

struct Rig {
    SystemCaptureService service;
    SystemBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    CaptureController captures{service, overlay, unaskedQuestions()};
    ScrollingSystem system{accessibility};
    Announcer announcer;
    ScrollingCaptureController scrolling{
        {service, system.injector(), system.probe(), system.inputMonitor(), system.keyMonitor(), announcer}};
    std::vector<Clock::time_point> starts;
    Clock::time_point lastFrame;
    std::optional<ScrollingCaptureResult> result;

    Rig() {
        scrolling.makeSource = [this](const QRectF& region, DisplayID display, double scale,
                                      ScrollingCaptureController::SourceMade done) {
            ScreenRegionFrameSource::make(service, region, display, scale, [this, done](auto made) {
                if (!made) return done(Failure{made.error()});
                done(std::shared_ptr<ScrollFrameSource>(std::make_shared<TimedSource>(
                    std::make_shared<ScreenRegionFrameSource>(std::move(*made)), starts, lastFrame)));
            });
        };
        QObject::connect(&scrolling, &ScrollingCaptureController::finished, [this](const ScrollingCaptureResult& r) {
            result = r;
            captures.openScrollingCapture(r.image, 1,
                                          r.partial ? CaptureController::Stitching::stoppedEarly
                                                    : CaptureController::Stitching::complete,
                                          r.reason);
        });
    }
};

Rig& rig() {
    static Rig instance;
    return instance;
}

// The page in another process, `size` in all, scrolling `drift` rows every 110 ms.
struct Page : QProcess {
    QRect rect;
    Page(QPoint at, QSize size, int pageRows, int drift) {
        using namespace quorvane::test;
        const int visible = size.height() - ScrollPage::toolbar - ScrollPage::statusBar;
        start(QStringLiteral(QUORVANE_SCROLL_PAGE),
              {QString::number(at.x()), QString::number(at.y()), QStringLiteral("size"), QString::number(size.width()),
               QString::number(visible), QString::number(pageRows), QStringLiteral("drift"), QString::number(drift),
               QStringLiteral("110")});
        QByteArray output;
        turnUntil([&] { return (output += readAllStandardOutput()).contains('\n'); }, 30000);
        const QList<QByteArray> words = output.trimmed().split(' ');
        if (words.size() == 5) rect = QRect(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
    }
    ~Page() override {
        kill();
        waitForFinished();
    }
};

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * double(values.size() - 1) + 0.5)];
}

void Cadence(benchmark::State& state, const char* monitor, QPoint offset, QSize size, int drift) {
    const auto display = displayNamed(rig().service, monitor);
    if (!display) return state.SkipWithError("no such display");
    Rig& r = rig();
    r.scrolling.visibleFrame = [frame = display->frame](DisplayID) { return std::optional(frame); };
    const QPoint at = display->frame.topLeft().toPoint() + offset;
    Page page(at, size, size.height() + 40 * drift, drift);
    if (page.rect.isEmpty()) return state.SkipWithError("the page did not start");
    for (auto _ : state) {
        r.starts.clear();
        r.scrolling.begin(QRectF(page.rect), display->displayID, 1);
        turnUntil([&] { return !r.starts.empty(); });
        const auto wallStart = Clock::now();
        const double cpuStart = cpuSeconds();
        const std::size_t first = r.starts.size() - 1;
        sleepUntil([&] { return r.starts.size() >= first + 31 || !r.scrolling.isRunning(); }, 20000);
        const double wall = seconds(Clock::now() - wallStart), cpu = cpuSeconds() - cpuStart;
        if (!r.scrolling.isRunning()) {
            turnUntil([&] { return r.result.has_value(); }, 10000);
            return state.SkipWithError(("the capture stopped: " + (r.result && r.result->reason ? r.result->reason->toStdString() : std::string("?"))).c_str());
        }
        r.scrolling.cancel();
        std::vector<double> intervals;
        for (std::size_t i = first + 1; i < r.starts.size(); ++i)
            intervals.push_back(1000 * seconds(r.starts[i] - r.starts[i - 1]));
        state.counters["median_ms"] = percentile(intervals, 0.5);
        state.counters["p95_ms"] = percentile(intervals, 0.95);
        state.counters["frames"] = static_cast<double>(intervals.size());
        state.counters["cpu_percent"] = 100 * cpu / wall;
        state.SetIterationTime(wall);
    }
}

void TwentyThousandRows(benchmark::State& state) {
    const auto display = displayNamed(rig().service, "big");
    if (!display) return state.SkipWithError("no such display");
    Rig& r = rig();
    r.scrolling.visibleFrame = [frame = display->frame](DisplayID) { return std::optional(frame); };
    Page page(QPoint(100, 100), QSize(1000, 1064), 24000, 400);
    if (page.rect.isEmpty()) return state.SkipWithError("the page did not start");
    for (auto _ : state) {
        r.result.reset();
        const double before = memory("VmRSS:");
        // Resets VmHWM to the current size.
        std::ofstream("/proc/self/clear_refs") << "5";
        EditorDocument* old = r.captures.document();
        r.scrolling.begin(QRectF(page.rect), display->displayID, 1);
        turnUntil([&] { return r.captures.document() != old && r.captures.document() != nullptr; }, 120000);
        const auto opened = Clock::now();
        if (!r.result) return state.SkipWithError("no result");
        const double peak = memory("VmHWM:") - before;
        const double image = 4.0 * r.result->image.width() * r.result->image.height();
        const double frames = 2 * 4.0 * page.rect.width() * page.rect.height();
        state.counters["rows"] = r.result->image.height();
        state.counters["last_frame_to_document_ms"] = 1000 * seconds(opened - r.lastFrame);
        state.counters["peak_added_MB"] = peak / 1e6;
        state.counters["goal_MB"] = (1.2 * image + frames) / 1e6;
        state.counters["peak_over_goal"] = peak / (1.2 * image + frames);
        state.SetIterationTime(seconds(opened - r.lastFrame));
    }
}

void oneRun(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}

// First, so that nothing an earlier run left in memory is given back during it.
BENCHMARK(TwentyThousandRows)->Apply(oneRun);
// The page drifts slowly enough that a frame up to five seconds late still overlaps the one before
// (a busy machine delays frames; the stitcher then refuses a jump past 85 % of the region).
BENCHMARK_CAPTURE(Cadence, region1920x1080_panelBeside, "big", QPoint(200, 200), QSize(1920, 1080), 20)->Apply(oneRun);
BENCHMARK_CAPTURE(Cadence, region1920x1080_fillsDisplay, "hd", QPoint(0, 0), QSize(1920, 1080), 20)->Apply(oneRun);
BENCHMARK_CAPTURE(Cadence, region3840x2160_fillsDisplay, "big", QPoint(0, 0), QSize(3840, 2160), 20)->Apply(oneRun);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOnTwoMonitors(argc, argv);
}
