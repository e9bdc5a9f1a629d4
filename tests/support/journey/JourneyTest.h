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

    // Opens the picture at `path` with Ctrl+O and the dialog, typing its path as a person does;
    // fails, with the program's log, unless the program says it imported an image of `size`.
    static ::testing::AssertionResult openImage(Program& quorvane, const QString& path, QSize size) {
        activate(editor());
        const qsizetype before = quorvane.mark();
        press(QStringLiteral("ctrl+o"));
        if (!waitForWindow(QStringLiteral("^Open Image$"))) return ::testing::AssertionFailure() << "no dialog";
        type(path);
        press(QStringLiteral("Return"));
        const QString imported = QStringLiteral("Imported %1x%2 px image").arg(size.width()).arg(size.height());
        if (!quorvane.waitForLog(imported, before))
            return ::testing::AssertionFailure() << quorvane.log().toStdString();
        if (!waitForNoWindow(QStringLiteral("^Open Image$")))
            return ::testing::AssertionFailure() << "the dialog stayed";
        settle(500);
        return ::testing::AssertionSuccess();
    }

    Desktop desktop;
};

} // namespace quorvane::journey
