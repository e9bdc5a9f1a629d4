// The program's windows as a person meets them: where the editor opens and how it follows its
// document, hiding and bringing back, closing, minimising, a cancelled capture that leaves the
// editor it showed open.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

#include <functional>

namespace quorvane::journey {
namespace {

class Windows : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Another program"), {80, 120, 600, 300}));
    }

    static QRect frameOf(const Window& window) { return frameGeometry(window.id).value_or(QRect()); }
    // The editor's frame once `placed` holds and it has stopped moving: a busy machine refits it
    // (and slides it) late.
    static QRect settledFrame(const std::function<bool(const Window&)>& placed) {
        test::waitUntil(
            [&] {
                const auto shown = journey::window(QStringLiteral("^Quorvane$"));
                return shown && placed(*shown);
            },
            10000);
        const auto steady = waitForWindow(QStringLiteral("^Quorvane$"), 10000, 300);
        return steady ? frameOf(*steady) : QRect();
    }
};

TEST_F(Windows, TheEditorStaysOnTheFreeScreenFollowsItsDocumentAndComesBackOnlyWhenAsked) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Window window = editor();
    const QRect free = workArea();
    EXPECT_TRUE(free.contains(frameOf(window))) << "frame outside the free screen";

    // Hide Quorvane (its key, then its menu item) hides the window but never the tray icon,
    // which brings it back.
    activate(window);
    press(QStringLiteral("ctrl+h"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(trayIcon().has_value());
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Open Quorvane")));
    window = editor();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Quorvane"), QStringLiteral("Hide Quorvane")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Open Quorvane")));
    window = editor();

    // File ▸ Close Window, and back through the tray.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("File"), QStringLiteral("Close Window")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Open Quorvane")));
    window = editor();

    // Closed, then an area capture cancelled with Escape: the editor the capture showed stays
    // open, as it was.
    activate(window);
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureArea"), since));
    ASSERT_TRUE(waitForAreaPicker());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture cancelled"), since)) << quorvane.log().toStdString();
    ASSERT_TRUE(test::waitUntil([] { return !isAreaPickerOpen(); }, 10000));
    EXPECT_TRUE(journey::window(QStringLiteral("^Quorvane$")).has_value())
        << "a cancelled capture hid the editor";

    // A capture of the whole screen opens in an editor that stays on the free screen.
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Capture Screen")));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since));
    window = editor();
    const QRect big = settledFrame([](const Window& shown) { return shown.geometry.width() > 1000; });
    EXPECT_TRUE(free.contains(big)) << "frame " << big.x() << "," << big.y() << " " << big.width() << "x"
                                    << big.height() << " outside the free screen";

    // A smaller area shrinks it in place: the top-left stays.
    since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(waitForAreaPicker());
    drag(QPoint(300, 300), QPoint(970, 780), 20);
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 670x480 px"), since)) << quorvane.log().toStdString();
    const QRect small = settledFrame([](const Window& shown) { return shown.geometry.width() == 670; });
    window = editor();
    EXPECT_EQ(small.topLeft(), big.topLeft());
    EXPECT_EQ(window.geometry.width(), 670);
    EXPECT_TRUE(free.contains(small));

    // Minimised from the Window menu, it comes back from the tray.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Window"), QStringLiteral("Minimize")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Open Quorvane")));
    // Ctrl+M does the same.
    window = editor();
    activate(window);
    press(QStringLiteral("ctrl+m"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Open Quorvane")));
    EXPECT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value());
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
