#pragma once

// The main of benchmarks that draw text or show widgets: fonts and widgets need an application,
// drawn off screen.

#include <QApplication>
#include <benchmark/benchmark.h>

namespace quorvane::bench {

inline int runOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quorvane::bench
