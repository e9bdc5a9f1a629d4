#pragma once

// The main of benchmarks that draw text: fonts need a GUI application, drawn off screen.

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace quorvane::bench {

inline int runOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quorvane::bench
