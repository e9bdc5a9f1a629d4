// What a capture leaves outside the editor: the floating thumbnail (open it, drag it out as a
// file, copy and pin from it) and pinned screenshots (above other windows, never in a capture,
// closed together, on every desktop).

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/JourneyTest.h"

#include <QBuffer>
#include <QProcess>
#include <QProcessEnvironment>

namespace quorvane::journey {
namespace {

const QString thumbnailTitle = QStringLiteral("^Screenshot Preview$");
const QString pinTitle = QStringLiteral("^Pinned Screenshot$");

class FloatingPanels : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(
            desktop.showStillWindow(QStringLiteral("A terminal of another program"), {60, 80, 520, 240}));
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A second window"), {700, 300, 400, 300},
                                            QStringLiteral("lightyellow")));
    }

    // The centre of a button of the thumbnail's bottom row (0 Copy, 1 Save, 2 Pin, 3 Edit), which
    // shows while the pointer is over the card.
    static QPoint bottomButton(const Window& thumbnail, int index) {
        const QRect card = thumbnail.geometry.adjusted(6, 6, -6, -6);
        const int left = card.left() + (card.width() - 4 * 26 - 3 * 6) / 2;
        return {left + index * 32 + 13, card.top() + card.height() - 6 - 12};
    }
    static void closeEditor() {
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
        steadyGrab();
    }
    // Rests the pointer on the card until its buttons have come up.
    static void hover(const Window& thumbnail) {
        // From outside the card, so that its buttons come up on the way in.
        moveMouse(thumbnail.geometry.topLeft() - QPoint(40, 40));
        steadyGrab(thumbnail.geometry);
        const QImage before = grab(thumbnail.geometry);
        moveMouse(thumbnail.geometry.center());
        test::waitUntil([&] { return grab(thumbnail.geometry) != before; }, 5000);
        steadyGrab(thumbnail.geometry);
    }
    // Captures the screen with the hot key; the thumbnail once it stands still.
    // The card slides in to 16 points from the screen's right edge: it is there once it stands
    // at that edge (a busy machine draws the slide in few, far-apart steps).
    static std::optional<Window> captureToThumbnail() {
        press(QStringLiteral("ctrl+alt+super+3"));
        const int edge = grab().width() - 16;
        std::optional<Window> card;
        test::waitUntil([&] { return (card = window(thumbnailTitle)) && card->geometry.right() + 1 == edge; }, 10000);
        return card ? waitForWindow(thumbnailTitle, 10000) : std::nullopt;
    }
    // The close button in the card's top-left corner, which shows while the pointer is over it.
    static QPoint closeButton(const Window& thumbnail) {
        return thumbnail.geometry.topLeft() + QPoint(6 + 6 + 13, 6 + 6 + 12);
    }
    // A property of a window as xprop shows it, "" when it has none.
    static QString property(const Window& window, const QString& name) {
        QString output;
        test::x11Server().run(QStringLiteral("xprop"), {"-id", window.id, name}, &output);
        return output.contains(QLatin1Char('=')) ? output.section(QLatin1Char('='), 1).trimmed() : QString();
    }
    // On every desktop (the window manager's "all desktops"), out of task bars and pagers.
    static bool onEveryDesktopAndSkipped(const Window& window) {
        return test::waitUntil([&] {
            const QString states = property(window, QStringLiteral("_NET_WM_STATE"));
            return property(window, QStringLiteral("_NET_WM_DESKTOP")) == QStringLiteral("4294967295") &&
                   states.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
                   states.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER"));
        });
    }
    static QString describe(const Window& window) {
        return QStringLiteral("desktop %1, states %2")
            .arg(property(window, QStringLiteral("_NET_WM_DESKTOP")),
                 property(window, QStringLiteral("_NET_WM_STATE")));
    }
    // Switches to another desktop as a pager would, and waits until the window manager is there.
    static bool switchToDesktop(int number) {
        test::x11Server().run(QStringLiteral("xdotool"), {"set_desktop", QString::number(number)});
        return test::waitUntil([number] {
            QString output;
            test::x11Server().run(QStringLiteral("xdotool"), {"get_desktop"}, &output);
            return output.trimmed() == QString::number(number);
        });
    }
    static int redPixels(const QImage& image, const QRect& region) {
        int count = 0;
        for (int y = region.top(); y <= region.bottom(); y += 4)
            for (int x = region.left(); x <= region.right(); x += 4) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++count;
            }
        return count;
    }
};

TEST_F(FloatingPanels, TheThumbnailOpensTheEditorAndDragsOutAFile) {
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    ASSERT_TRUE(quorvane.start());
    closeEditor();
    const QSize screen = grab().size();

    auto thumbnail = captureToThumbnail();
    ASSERT_TRUE(thumbnail.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: showThumbnail")));
    // Bottom right, 16 points in, 292 × 183 for a 1920 × 1080 screen (280 × 158 and the margins).
    EXPECT_EQ(thumbnail->geometry.right() + 1, screen.width() - 16);
    EXPECT_EQ(thumbnail->geometry.bottom() + 1, screen.height() - 16);
    EXPECT_EQ(thumbnail->geometry.width(), 292);
    // A click on the card opens the editor with the capture; the card goes.
    click(thumbnail->geometry.center());
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value());
    EXPECT_TRUE(waitForNoWindow(thumbnailTitle));

    // Dragged onto another program's window, the card gives it a PNG file and goes.
    closeEditor();
    QProcess target;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
    target.setProcessEnvironment(environment);
    target.start(QStringLiteral(QUORVANE_DRAG_HELPER), {"target", "1200", "120"});
    ASSERT_TRUE(target.waitForReadyRead(10000));
    EXPECT_EQ(QString::fromLocal8Bit(target.readLine()).trimmed(), QStringLiteral("ready"));
    thumbnail = captureToThumbnail();
    ASSERT_TRUE(thumbnail.has_value());
    drag(thumbnail->geometry.center(), {1300, 200}, 40);
    ASSERT_TRUE(test::waitUntil(
        [&] { return target.canReadLine() || target.state() == QProcess::NotRunning; }, 10000));
    QString dropped;
    while (target.canReadLine())
        dropped = QString::fromLocal8Bit(target.readLine()).trimmed();
    ASSERT_TRUE(dropped.startsWith(QStringLiteral("dropped "))) << dropped.toStdString();
    EXPECT_EQ(QImage(dropped.mid(8)).size(), screen);
    EXPECT_TRUE(waitForNoWindow(thumbnailTitle));
    target.waitForFinished(5000);
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(FloatingPanels, PinsStayOnTopStayOutOfCapturesAndCloseTogether) {
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    ASSERT_TRUE(quorvane.start());
    // A red picture copied in another program, pasted into Quorvane and pinned from the File menu.
    QImage red(400, 300, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(putOnClipboard(red));
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Edit"), QStringLiteral("Paste")));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 400x300 px image"))) << quorvane.log().toStdString();
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Pin Screenshot")))
        << quorvane.log().toStdString();
    auto pin = waitForWindow(pinTitle);
    ASSERT_TRUE(pin.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Pinned 400x300 px")));
    EXPECT_EQ(pin->geometry.size(), QSize(400, 300));

    // The pin stays above a window of another program raised after it.
    closeEditor();
    const auto other = window(QStringLiteral("^still-1$"));
    ASSERT_TRUE(other.has_value());
    activate(*other);
    ASSERT_EQ(activeWindowTitle(), QStringLiteral("still-1")) << "the other window was not raised";
    EXPECT_GT(redPixels(steadyGrab(), pin->geometry.adjusted(10, 10, -10, -10)), 1000);

    // A display capture leaves it out: copied from the thumbnail, no red anywhere.
    auto thumbnail = captureToThumbnail();
    ASSERT_TRUE(thumbnail.has_value()) << quorvane.log().toStdString();
    // The card has slid in once it holds still; the clipboard still holds the red picture, so
    // only the program's word tells that the copy happened.
    thumbnail = waitForWindow(thumbnailTitle, 10000, 300);
    ASSERT_TRUE(thumbnail.has_value());
    const qsizetype beforeCopy = quorvane.mark();
    hover(*thumbnail);
    click(bottomButton(*thumbnail, 0));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), beforeCopy)) << quorvane.log().toStdString();
    const QImage copied = clipboardImage();
    ASSERT_EQ(copied.size(), grab().size());
    EXPECT_EQ(redPixels(copied, copied.rect()), 0);
    EXPECT_TRUE(waitForNoWindow(thumbnailTitle, 5000));

    // Pin from the thumbnail: a second pin, at 60 % of the screen.
    thumbnail = captureToThumbnail();
    ASSERT_TRUE(thumbnail.has_value());
    hover(*thumbnail);
    click(bottomButton(*thumbnail, 2));
    ASSERT_TRUE(test::waitUntil([] { return windows(pinTitle).size() == 2; }, 10000));
    // 60 % of the screen's free area, in the capture's proportions.
    const QSize pinned = windows(pinTitle).front().geometry.size();
    const QSize screen = grab().size();
    EXPECT_LE(pinned.width(), screen.width() * 6 / 10);
    EXPECT_GE(pinned.width(), screen.width() * 5 / 10);
    EXPECT_NEAR(double(pinned.width()) / pinned.height(), double(screen.width()) / screen.height(), 0.01);

    // Close All Pins in the tray's menu closes both.
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Close All Pins")));
    EXPECT_TRUE(waitForNoWindow(pinTitle));
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(FloatingPanels, TheCardAndPinsShowOnEveryDesktopAndStayOutOfWindowCycling) {
    // Four desktops, as many people keep.
    test::x11Server().run(QStringLiteral("xdotool"), {"set_num_desktops", "4"});
    ASSERT_TRUE(test::waitUntil([] {
        QString output;
        test::x11Server().run(QStringLiteral("xdotool"), {"get_num_desktops"}, &output);
        return output.trimmed() == QStringLiteral("4");
    }));
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    ASSERT_TRUE(quorvane.start());
    closeEditor();

    // The window manager forgets a window's states when it goes: the card is shown twice, and
    // keeps them on its second showing as on its first.
    for (int showing = 1; showing <= 2; ++showing) {
        auto thumbnail = captureToThumbnail();
        ASSERT_TRUE(thumbnail.has_value()) << quorvane.log().toStdString();
        // The pointer rests on the card, so that it stays while it is looked at.
        moveMouse(thumbnail->geometry.center());
        EXPECT_TRUE(onEveryDesktopAndSkipped(*thumbnail))
            << "showing " << showing << ": " << describe(*thumbnail).toStdString();
        // Seen from another desktop as well.
        ASSERT_TRUE(switchToDesktop(showing));
        EXPECT_TRUE(waitForWindow(thumbnailTitle, 5000).has_value()) << "showing " << showing;
        ASSERT_TRUE(switchToDesktop(0));
        thumbnail = waitForWindow(thumbnailTitle, 5000);
        ASSERT_TRUE(thumbnail.has_value());
        hover(*thumbnail);
        if (showing == 1) {
            click(closeButton(*thumbnail));
            ASSERT_TRUE(waitForNoWindow(thumbnailTitle));
        } else {
            click(bottomButton(*thumbnail, 2));
        }
    }

    // Pinned from the second card: on every desktop, and still there on the last one.
    const auto pin = waitForWindow(pinTitle);
    ASSERT_TRUE(pin.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(onEveryDesktopAndSkipped(*pin)) << describe(*pin).toStdString();
    ASSERT_TRUE(switchToDesktop(3));
    EXPECT_TRUE(waitForWindow(pinTitle, 5000).has_value());
    ASSERT_TRUE(switchToDesktop(0));
    EXPECT_EQ(quorvane.terminate(), 0);
}

} // namespace
} // namespace quorvane::journey
