#include "core/AccessibilityOptions.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Views redraw on every change signal, so it comes once per real change and never for a value
// set again; both options start off, as X11 has neither.
TEST(AccessibilityOptions, StartOffAndSignalOnlyRealChanges) {
    AccessibilityOptions options;
    EXPECT_FALSE(options.increaseContrast());
    EXPECT_FALSE(options.reduceMotion());
    int changes = 0;
    QObject::connect(&options, &AccessibilityOptions::changed, [&] { ++changes; });
    options.setIncreaseContrast(true);
    options.setIncreaseContrast(true);
    options.setReduceMotion(false);
    options.setReduceMotion(true);
    options.setIncreaseContrast(false);
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(options.increaseContrast());
    EXPECT_TRUE(options.reduceMotion());
    // The properties are what bindings see.
    EXPECT_TRUE(options.property("reduceMotion").toBool());
}

} // namespace
} // namespace quorvane
