#pragma once

// What the capture benchmarks share: medians of 20 separately timed runs, and a private X server
// with a 3840 × 2160 monitor "big" and a 1920 × 1080 monitor "hd" side by side.

#include "XvfbMain.h"
#include "capture/CaptureController.h"
#include "capture/CaptureService.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane::bench {

using Clock = std::chrono::steady_clock;

inline constexpr int runs = 20;

// Each run timed on its own; the report shows the median of the runs.
inline void medianOfRuns(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()->Iterations(1)->Repetitions(runs)->ReportAggregatesOnly(true)->Unit(
        benchmark::kMillisecond);
}

// The shell's answers for a benchmark: nothing typed, nothing kept, no window of ours shown.
inline CaptureController::Questions unaskedQuestions() {
    return {.commitEditing = [] {},
            .isDirty = [](EditorDocument*) { return false; },
            .mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> reply) { reply(true); },
            .includedWindowIDs = [] { return std::vector<WindowID>{}; }};
}

inline double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Runs the event loop until `done` holds, or `timeoutMs` passed.
inline void turnUntil(const std::function<bool()>& done, int timeoutMs = 600000) {
    const auto start = Clock::now();
    while (!done() && Clock::now() - start < std::chrono::milliseconds(timeoutMs))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// The display of the monitor named `name`, as `service` lists it now.
inline std::optional<CaptureDisplay> displayNamed(CaptureService& service, const char* name) {
    std::optional<Result<ShareableContent, Error>> content;
    service.targets([&](Result<ShareableContent, Error> r) { content = std::move(r); });
    turnUntil([&] { return content.has_value(); });
    if (!content->ok()) return std::nullopt;
    for (const auto& display : content->value().displays)
        if (display.name == QLatin1String(name)) return display;
    return std::nullopt;
}

// Runs the registered benchmarks against the two-monitor server; the program's exit status.
// `prepare` may put windows on show first; what it returns lives until the benchmarks are done.
inline int runOnTwoMonitors(int argc, char** argv,
                            const std::function<std::shared_ptr<void>(test::XvfbServer&)>& prepare = {}) {
    paintAsAsked(argc, argv);
    benchmark::Initialize(&argc, argv);
    test::XvfbServer server;
    if (!server.start(5760, 2160)) {
        std::fprintf(stderr, "Could not start Xvfb\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().toUtf8().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    server.run(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), QStringLiteral("big"),
                                          QStringLiteral("3840/600x2160/340+0+0"), QStringLiteral("screen")});
    server.run(QStringLiteral("xrandr"),
               {QStringLiteral("--setmonitor"), QStringLiteral("hd"),
                QStringLiteral("1920/500x1080/280+3840+0"), QStringLiteral("none")});
    {
        QApplication application(argc, argv);
        const std::shared_ptr<void> prepared = prepare ? prepare(server) : nullptr;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}

} // namespace quorvane::bench
