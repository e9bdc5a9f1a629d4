#include "support/TestEnvironment.h"

#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/LogStore.h"
#include "platform/XdgDirectories.h"
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
    // No session bus: Qt asks for one once a window shows, and without an address libdbus tries
    // to start one, and leaks a buffer when it cannot.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (home / "no-session-bus").string()).c_str(), 1);
    Log::setEchoToStandardError(std::getenv("QUORVANE_TEST_LOG") != nullptr);
    Log::installSink(&logStore());
}

LogStore& logStore() {
    static LogStore store(XdgDirectories::stateHome() / applicationId / "log");
    return store;
}

} // namespace quorvane::test
