// How soon another program's drag is answered again after another client undid the drop target's
// proxy of a window (its property deleted or rewritten, the proxy window destroyed, the target's
// X connection ended): from the undoing to the first drag answered with a copy, 10 runs each.
// How many messages a second the drop thread reads while one client floods it with drags of made-up
// windows, with the table of followed drags never full and full; and how soon after such a flood
// a person's drag is answered. And the table alone, full, fed window numbers a flooding program
// picked to land in a few cells of a table whose cells it could work out, against numbers at random.

#include "XvfbMain.h"
#include "platform/X11DropTarget.h"
#include "platform/XdndSources.h"
#include "support/DropFlood.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>
#include <vector>
#include <thread>

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void AnsweredAgainAfter(benchmark::State& state, test::ProxyTampering tampering) {
    X11DropTarget target({QStringList{QStringLiteral("text/uri-list")}});
    QWindow window;
    window.setFlag(Qt::BypassWindowManagerHint);
    window.setGeometry(100, 100, 400, 300);
    window.show();
    const auto id = static_cast<std::uint32_t>(window.winId());
    target.setWindows({{id, {{QRect(100, 100, 400, 300), 0}}}});
    // Until the window names a proxy again, or a while.
    const auto proxied = [id](Clock::time_point from) {
        while (test::dropProxyOf(id) == 0 && Clock::now() - from < 10s)
            std::this_thread::sleep_for(1ms);
    };
    proxied(Clock::now());
    for (auto _ : state) {
        // Apart by more than the target waits between makings again of a window's proxy.
        std::this_thread::sleep_for(300ms);
        const Clock::time_point start = Clock::now();
        if (!test::tamperWithDropProxy(id, tampering)) {
            state.SkipWithError("the window named no proxy");
            break;
        }
        proxied(start);
        test::ForeignDrag drag(id);
        drag.enter();
        drag.position(300, 250);
        if (drag.answers(1) != std::vector<std::string>{"accept"}) {
            state.SkipWithError("the drag was not answered with a copy");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// The window the target serves, shown and named a proxy.
struct Served {
    X11DropTarget target{{QStringList{QStringLiteral("text/uri-list")}}};
    QWindow window;
    std::uint32_t id = 0;

    Served() {
        window.setFlag(Qt::BypassWindowManagerHint);
        window.setGeometry(100, 100, 400, 300);
        window.show();
        id = static_cast<std::uint32_t>(window.winId());
        target.setWindows({{id, {{QRect(100, 100, 400, 300), 0}}}});
        const Clock::time_point from = Clock::now();
        while (test::dropProxyOf(id) == 0 && Clock::now() - from < 10s)
            std::this_thread::sleep_for(1ms);
    }
    // Once the target has read every message sent before; whether it did within `most`.
    bool caughtUp(Clock::duration most) {
        bool caught = false;
        const QMetaObject::Connection heard =
            QObject::connect(&target, &X11DropTarget::caughtUp, [&] { caught = true; });
        target.catchUp();
        const Clock::time_point from = Clock::now();
        while (!caught && Clock::now() - from < most)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QObject::disconnect(heard);
        return caught;
    }
};

// The processor time the drop thread has used, in seconds, to the nanosecond as the scheduler
// counts it; 0 without one.
double dropThreadSeconds() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "drop target") continue;
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!stat.open(QIODevice::ReadOnly)) return 0;
        return stat.readAll().split(' ').front().toDouble() / 1e9;
    }
    return 0;
}

// One client sends enters and positions for `state.range(0)` made-up windows of 2,048 made-up
// programs as fast as the server takes them, for two seconds, and the target reads them to the end.
// Fewer windows than are followed leave the table room; more keep it full, each enter a new drag
// that pushes another out. Counted: the messages handled a second, from the flood's start to the
// target's having read its last; the messages sent a second; how long after the flood's end the
// target read its last; and the drop thread's processor time a message, in nanoseconds (a thread
// that keeps up wakes for a few messages at a time, each waking costing as much as many messages).
void MessagesRead(benchmark::State& state) {
    Served served;
    for (auto _ : state) {
        const double used = dropThreadSeconds();
        const Clock::time_point start = Clock::now();
        test::DropFlood flood(
            served.id, 300, 250,
            {.kind = test::DropFlood::Kind::madeUp, .windows = static_cast<int>(state.range(0))});
        while (Clock::now() - start < 2s)
            std::this_thread::sleep_for(1ms);
        flood.stop();
        const Clock::time_point stopped = Clock::now();
        if (!served.caughtUp(600s)) {
            state.SkipWithError("the target did not read the flood to its end");
            break;
        }
        const Clock::time_point read = Clock::now();
        const double messages =
            2.0 * static_cast<double>(flood.drops()) * static_cast<double>(state.range(0));
        state.SetIterationTime(std::chrono::duration<double>(read - start).count());
        state.counters["handled/s"] = messages / std::chrono::duration<double>(read - start).count();
        state.counters["sent/s"] = messages / std::chrono::duration<double>(stopped - start).count();
        state.counters["ns/message"] = (dropThreadSeconds() - used) * 1e9 / std::max(1.0, messages);
        state.counters["behind ms"] = std::chrono::duration<double, std::milli>(read - stopped).count();
    }
}

// A person's drag after one client sent enters and positions for made-up windows (the second
// argument, of 2,048 made-up programs) as fast as the server takes them for as many seconds as the
// first: from the flood's end to the drag's answer.
void AnsweredAfterAFlood(benchmark::State& state) {
    Served served;
    for (auto _ : state) {
        Clock::time_point stopped;
        {
            test::DropFlood flood(
                served.id, 300, 250,
                {.kind = test::DropFlood::Kind::madeUp, .windows = static_cast<int>(state.range(1))});
            std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
            flood.stop();
            stopped = Clock::now();
        }
        test::ForeignDrag drag(served.id);
        drag.enter();
        drag.position(300, 250);
        // Asked again past the helper's own bound of a wait, however long the target takes.
        while (drag.answers(1).empty() && Clock::now() - stopped < 600s) {
        }
        if (drag.answers(1) != std::vector<std::string>{"accept"}) {
            state.SkipWithError("the drag was not answered with a copy");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - stopped).count());
        served.caughtUp(600s);
    }
}

// The number that a well-known stirring of window numbers (MurmurHash3's last step) sends to `cell`,
// the `n`th of them: what a program that knows the table's stirring would send.
std::uint32_t landingIn(std::uint32_t cell, std::uint32_t n) {
    std::uint32_t h = cell + n * static_cast<std::uint32_t>(2 * XdndSources::mostSources);
    h ^= h >> 16;
    h *= 0x7ed1b41du;
    h ^= (h >> 13) ^ (h >> 26);
    h *= 0xa5cb9243u;
    h ^= h >> 16;
    return h;
}

// Enters and positions of 20,000 windows, five times over, into a full table: messages a second.
void TableMessages(benchmark::State& state) {
    const bool picked = state.range(0) != 0;
    std::vector<std::uint32_t> windows;
    std::mt19937 random(7);
    for (std::uint32_t i = 0; i < 20000; ++i)
        windows.push_back(picked ? landingIn(i % 64, i / 64) : static_cast<std::uint32_t>(random()));
    for (auto _ : state) {
        XdndSources sources(0xffe00000u);
        const Clock::time_point now = Clock::now();
        const Clock::time_point start = Clock::now();
        for (int pass = 0; pass < 5; ++pass)
            for (const std::uint32_t window : windows) {
                sources.enter(window, 1, 1, now);
                benchmark::DoNotOptimize(sources.heard(window, now));
            }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["messages/s"] = 2.0 * 5 * static_cast<double>(windows.size()) / seconds;
    }
}

void tenRuns(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()
        ->Iterations(1)
        ->Repetitions(10)
        ->ComputeStatistics(
            "max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(AnsweredAgainAfter, propertyDeleted, test::ProxyTampering::deleteProperty)->Apply(tenRuns);
BENCHMARK_CAPTURE(AnsweredAgainAfter, propertyRewritten, test::ProxyTampering::rewriteProperty)
    ->Apply(tenRuns);
BENCHMARK_CAPTURE(AnsweredAgainAfter, proxyDestroyed, test::ProxyTampering::destroyProxy)->Apply(tenRuns);
BENCHMARK_CAPTURE(AnsweredAgainAfter, connectionKilled, test::ProxyTampering::killProxyClient)
    ->Apply(tenRuns);

BENCHMARK(TableMessages)->ArgName("picked")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MessagesRead)
    ->ArgName("windows")
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AnsweredAfterAFlood)
    ->ArgNames({"seconds", "windows"})
    ->Args({8, 20000})
    ->Args({30, 200000})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    return quorvane::bench::runOnXvfb<QGuiApplication>(argc, argv);
}
