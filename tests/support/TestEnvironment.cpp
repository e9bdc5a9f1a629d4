#include "support/TestEnvironment.h"

#include "app/Log.h"
#include "support/TempDir.h"

#include <cstdlib>

namespace quorvane::test {

void prepareTestEnvironment() {
    static TempDir home;
    for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const auto folder = home / name;
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        ::setenv(name, folder.c_str(), 1);
    }
    Log::setEchoToStandardError(std::getenv("QUORVANE_TEST_LOG") != nullptr);
}

} // namespace quorvane::test
