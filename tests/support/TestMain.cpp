#include "app/Log.h"
#include "support/TempDir.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never touch the user's own state, settings or runtime folders.
    static quorvane::test::TempDir home;
    for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const auto folder = home / name;
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        ::setenv(name, folder.c_str(), 1);
    }
    // Widget tests draw off screen unless a test program asks for the X server.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    quorvane::Log::setEchoToStandardError(std::getenv("QUORVANE_TEST_LOG") != nullptr);

    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
