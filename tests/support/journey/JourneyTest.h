#pragma once

#include "support/journey/Desktop.h"
#include "support/journey/Menus.h"
#include "support/journey/Program.h"
#include "support/journey/ScreenText.h"

#include <gtest/gtest.h>

namespace quorvane::journey {

// A journey: one person's task from start to end, on a desktop of its own (openbox, a tray and
// still windows of other programs).
class JourneyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desktop.start()); }

    // The editor window once it shows.
    static Window editor() {
        const auto found = waitForWindow(QStringLiteral("^Quorvane$"));
        EXPECT_TRUE(found.has_value()) << "the editor window did not show";
        return found.value_or(Window{});
    }

    Desktop desktop;
};

} // namespace quorvane::journey
