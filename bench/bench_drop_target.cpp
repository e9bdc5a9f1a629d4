// How soon another program's drag is answered again after another client undid the drop target's
// proxy of a window (its property deleted or rewritten, the proxy window destroyed, the target's
// X connection ended): from the undoing to the first drag answered with a copy, 10 runs each.

#include "XvfbMain.h"
#include "platform/X11DropTarget.h"
#include "support/DropFlood.h"

#include <QGuiApplication>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>
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

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    return quorvane::bench::runOnXvfb<QGuiApplication>(argc, argv);
}
