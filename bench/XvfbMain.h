#pragma once

// The main of benchmarks that need an X server: a private Xvfb, and the application on it.

#include "support/XvfbServer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace quorvane::bench {

template<class Application = QApplication>
inline int runOnXvfb(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    test::XvfbServer server;
    if (!server.start()) {
        std::fprintf(stderr, "Could not start Xvfb\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().toUtf8().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    Application application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quorvane::bench
