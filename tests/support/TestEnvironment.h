#pragma once

namespace quorvane::test {

// Points the XDG folders at a private temporary folder, so that tests never touch the user's
// own state, settings or runtime folders, and quiets the log echo unless QUORVANE_TEST_LOG is set.
void prepareTestEnvironment();

} // namespace quorvane::test
