#pragma once

namespace quorvane {
class LogStore;
}

namespace quorvane::test {

// Points the XDG folders at a private temporary folder, so that tests never touch the user's
// own state, settings or runtime folders, installs a log store there as the program does, and
// quiets the log echo unless QUORVANE_TEST_LOG is set.
void prepareTestEnvironment();

// The store the log channels write to in tests.
LogStore& logStore();

} // namespace quorvane::test
