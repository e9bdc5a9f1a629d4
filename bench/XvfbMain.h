#pragma once

// The main of benchmarks that need an X server: a private Xvfb, and the application on it, painting
// as the program does or as asked.

#include "platform/QtSharedMemoryPainting.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace quorvane::bench {

// Before the application: paints as the program does, unless the arguments (which it takes out)
// hold --painting=toolkit (Qt's default: shared memory the server hands over as descriptors) or
// --painting=socket (no shared memory).
inline void paintAsAsked(int& argc, char** argv) {
    std::string_view painting = "--painting=program";
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--painting=")) {
            painting = argv[i];
            for (int j = i; j < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    if (painting == "--painting=socket")
        ::setenv("QT_XCB_NO_MITSHM", "1", 1);
    else if (painting != "--painting=toolkit")
        QtSharedMemoryPainting::avoidDescriptors();
}

// On a screen of `width` × `height`.
template<class Application = QApplication>
inline int runOnXvfb(int argc, char** argv, int width = 1920, int height = 1080) {
    paintAsAsked(argc, argv);
    benchmark::Initialize(&argc, argv);
    test::XvfbServer server;
    if (!server.start(width, height)) {
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
