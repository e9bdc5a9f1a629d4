// Automatic scrolling's input under a private Xvfb, medians of 50 runs: the time from another
// client's pointer move of 25 points to the run's stop reason arriving (goal: 5 ms), and from a
// posted wheel click to the scrolled content showing in a screen grab.

#include "platform/X11InputConnection.h"
#include "platform/X11InputMonitor.h"
#include "platform/X11ScrollInjector.h"
#include "scrolling/SystemInputMonitor.h"
#include "scrolling/SystemScrollInjector.h"
#include "scrolling/x11/WheelPageWindow.h"
#include "XvfbMain.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QScreen>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using namespace quorvane;
using Clock = std::chrono::steady_clock;

constexpr int runs = 50;

void medianOfRuns(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()->Iterations(1)->Repetitions(runs)->ReportAggregatesOnly(true)->Unit(
        benchmark::kMillisecond);
}

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void PointerMoveStopsRun(benchmark::State& state) {
    auto ours = X11InputConnection::open();
    // Another client, as far as the server can tell.
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> other(xcb_connect(nullptr, nullptr),
                                                                       &xcb_disconnect);
    if (!ours || xcb_connection_has_error(other.get()) != 0) return state.SkipWithError("no X server");
    X11InputMonitor x11Monitor(*ours, [] { return std::vector<std::uint32_t>{}; });
    SystemInputMonitor monitor(x11Monitor);
    X11ScrollInjector injector(*ours);
    int direction = 1;
    for (auto _ : state) {
        injector.warpPointer(QPoint(900, 500));
        std::optional<Clock::time_point> stopped;
        if (!monitor.start(QPointF(900, 500), [&](const AutoScrollStop&, std::uint32_t) {
                if (!stopped) stopped = Clock::now();
            }))
            return state.SkipWithError("no XInput 2");
        QCoreApplication::processEvents();
        // A relative move, as a mouse makes it.
        xcb_test_fake_input(other.get(), XCB_MOTION_NOTIFY, 1, XCB_CURRENT_TIME, XCB_NONE,
                            static_cast<std::int16_t>(25 * direction), 0, 0);
        const auto start = Clock::now();
        xcb_flush(other.get());
        while (!stopped && Clock::now() - start < std::chrono::seconds(2))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!stopped) return state.SkipWithError("the run did not stop");
        state.SetIterationTime(seconds(*stopped - start));
        monitor.stop();
        direction = -direction;
    }
}
BENCHMARK(PointerMoveStopsRun)->Apply(medianOfRuns);

void InjectedScrollVisible(benchmark::State& state) {
    auto connection = X11InputConnection::open();
    if (!connection) return state.SkipWithError("no X server");
    X11ScrollInjector x11Injector(*connection);
    SystemScrollInjector injector(x11Injector);
    test::WheelPageWindow page;
    if (!page.showAt(QPoint(200, 150))) return state.SkipWithError("no window");
    const QPointF point = QRectF(page.geometry()).center();
    injector.warpPointer(point);
    QScreen* screen = QGuiApplication::primaryScreen();
    const auto column = [&] { return screen->grabWindow(0, 300, 150, 1, 300).toImage(); };
    int sign = -1;
    for (auto _ : state) {
        const QImage before = column();
        const auto start = Clock::now();
        if (!injector.post(sign, point)) return state.SkipWithError("could not post");
        bool changed = false;
        while (!changed && Clock::now() - start < std::chrono::seconds(2)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            changed = column() != before;
        }
        if (!changed) return state.SkipWithError("nothing moved");
        state.SetIterationTime(seconds(Clock::now() - start));
        // Down and up in turn, so the page never reaches its top.
        sign = -sign;
    }
}
BENCHMARK(InjectedScrollVisible)->Apply(medianOfRuns);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOnXvfb(argc, argv);
}
