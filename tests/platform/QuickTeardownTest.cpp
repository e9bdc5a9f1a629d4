#include "platform/QuickTeardown.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

// In a child of its own, what Qt's font teardown would free: fontconfig's current configuration,
// with how many configuration files and fonts it loaded to get it.
std::pair<int, int> loadedAtTeardown(bool prepared) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {-1, -1};
    const pid_t child = ::fork();
    if (child == 0) {
        if (prepared) QuickTeardown::prepare();
        FcConfig* current = FcConfigGetCurrent();
        int counts[2] = {0, 0};
        FcStrList* files = FcConfigGetConfigFiles(current);
        while (FcStrListNext(files) != nullptr)
            ++counts[0];
        FcStrListDone(files);
        if (const FcFontSet* fonts = FcConfigGetFonts(current, FcSetSystem)) counts[1] = fonts->nfont;
        const bool sent = ::write(pipeFds[1], counts, sizeof counts) == sizeof counts;
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    int counts[2] = {-1, -1};
    const bool read = ::read(pipeFds[0], counts, sizeof counts) == sizeof counts;
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {-1, -1};
    return {counts[0], counts[1]};
}

TEST(QuickTeardown, LeavesQtsFontTeardownNothingToLoad) {
    const auto [files, fonts] = loadedAtTeardown(false);
    // Without it, the teardown loads the system's whole configuration (DejaVu at least).
    EXPECT_GT(files, 0);
    EXPECT_GT(fonts, 0);
    EXPECT_EQ(loadedAtTeardown(true), std::pair(0, 0));
}

} // namespace
} // namespace quorvane
