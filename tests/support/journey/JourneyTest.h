#pragma once

#include "support/journey/Desktop.h"
#include "support/journey/Menus.h"
#include "support/journey/Program.h"
#include "support/journey/ScreenText.h"

#include "support/WaitUntil.h"

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

    // The smaller of two windows whose title matches `titlePattern` (an alert over the window it
    // belongs to, titled as that one) once it shows.
    static std::optional<Window> secondWindow(const QString& titlePattern) {
        std::optional<Window> found;
        test::waitUntil(
            [&] {
                const auto titled = windows(titlePattern);
                if (titled.size() < 2) return false;
                found = titled.back();
                return true;
            },
            10000);
        return found;
    }
    // The program's question (an alert titled as the program, beside its editor) once it shows.
    static std::optional<Window> question() { return secondWindow(QStringLiteral("^Quorvane$")); }
    // Whether the program's question is gone (the editor alone carries the program's title).
    static bool waitForNoQuestion() {
        return test::waitUntil([] { return windows(QStringLiteral("^Quorvane$")).size() < 2; }, 10000);
    }

    // Writes `image` as `name` into a folder beside the save folder, so that only saves land
    // there; its path.
    static QString placePicture(Program& quorvane, const QImage& image, const std::string& name) {
        std::filesystem::create_directories(quorvane.folder("source"));
        const QString path = QString::fromStdString((quorvane.folder("source") / name).string());
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // Opens `path` with Ctrl+O, typing it into the dialog, and waits for the image of `size`.
    static Window openImage(Program& quorvane, const QString& path, QSize size) {
        activate(editor());
        const qsizetype since = quorvane.mark();
        press(QStringLiteral("ctrl+o"));
        EXPECT_TRUE(waitForWindow(QStringLiteral("^Open Image$")).has_value());
        type(path);
        press(QStringLiteral("Return"));
        const QString imported = QStringLiteral("Imported %1x%2 px image").arg(size.width()).arg(size.height());
        EXPECT_TRUE(quorvane.waitForLog(imported, since)) << quorvane.log().toStdString();
        // The editor refits to the picture with a short animation, which a busy machine runs
        // late and slowly: the program says when it is done.
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Editor window fitted"),
                                        std::max(since, quorvane.log().indexOf(imported, since))))
            << quorvane.log().toStdString();
        EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Open Image$")));
        // The window manager frames it in more than one step: wait until it holds still, and give
        // it the keyboard back from the dialog.
        const auto window = waitForWindow(QStringLiteral("^Quorvane$"), 20000, 500);
        EXPECT_TRUE(window.has_value()) << "the editor did not show";
        if (window) activate(*window);
        return window.value_or(Window{});
    }

    // What Ctrl+C in the editor puts on the clipboard, as another program reads it.
    static QImage copied(Program& quorvane) {
        activate(editor());
        const qsizetype since = quorvane.mark();
        press(QStringLiteral("ctrl+c"));
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), since)) << "nothing was copied";
        return clipboardImage().convertToFormat(QImage::Format_RGB32);
    }

    Desktop desktop;
};

} // namespace quorvane::journey
