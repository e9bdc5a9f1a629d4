#pragma once

// The main of benchmarks that draw text: fonts need a GUI application, drawn off screen.

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace quorvane::bench {

// `Application` is QApplication for benchmarks that make widgets.
template<class Application = QGuiApplication>
int runOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quorvane::bench
