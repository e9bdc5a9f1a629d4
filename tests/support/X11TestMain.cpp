#include "platform/KeyComposer.h"
#include "platform/QtSharedMemoryPainting.h"
#include "support/DisplayState.h"
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

namespace {

// A suite that started the window manager (for all its tests, or in one that ended early) has it
// gone before the next suite, which finds the bare display it expects in any order.
class BareDisplayBetweenSuites : public ::testing::EmptyTestEventListener {
    void OnTestSuiteEnd(const ::testing::TestSuite&) override {
        quorvane::test::x11Server().stopWindowManager();
    }
};

} // namespace

// Every x11 test process gets its own X server, so that grabs, focus and window positions of
// tests running in parallel never meet.
int main(int argc, char** argv) {
    quorvane::test::prepareTestEnvironment();
    // Listing the tests needs no server.
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--gtest_list_tests")) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            QApplication application(argc, argv);
            ::testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    auto& server = quorvane::test::x11Server();
    if (!server.start()) {
        std::fprintf(stderr, "Could not start Xvfb\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().toUtf8().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The windows under test paint as the program's own do.
    quorvane::QtSharedMemoryPainting::avoidDescriptors();
    quorvane::KeyComposer::takeOverFromQt();
    int status = 0;
    {
        QApplication application(argc, argv);
        quorvane::KeyComposer::restoreEnvironment();
        ::testing::InitGoogleTest(&argc, argv);
        ::testing::UnitTest::GetInstance()->listeners().Append(new BareDisplayBetweenSuites);
#ifdef QUORVANE_CHECK_DISPLAY_STATE
        ::testing::UnitTest::GetInstance()->listeners().Append(new quorvane::test::DisplayStateCheck);
#endif
        status = RUN_ALL_TESTS();
    }
    server.stop();
    return status;
}
