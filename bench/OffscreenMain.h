#pragma once

// The main of benchmarks that draw text or show widgets: fonts and widgets need an application,
// drawn off screen.

#include <QApplication>
#include <benchmark/benchmark.h>

namespace quorvane::bench {

template<class Application = QApplication>
inline int runOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quorvane::bench
