// Capturing a page taller than the screen: the Scrolling Capture hot key, the area dragged out
// over another program's window, Auto ↓ on the panel, the stitched page saved; and Escape, which
// cancels a capture.

#include "support/ImageCompare.h"
#include "support/ScrollPage.h"
#include "support/journey/JourneyTest.h"

#include <QProcess>

namespace quorvane::journey {
namespace {

class ScrollingCapture : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        page.start(QStringLiteral(QUORVANE_SCROLL_PAGE), {QStringLiteral("300"), QStringLiteral("150")});
        const auto shown = waitForWindow(QStringLiteral("^Scroll Page$"));
        ASSERT_TRUE(shown.has_value());
        pageWindow = *shown;
    }
    void TearDown() override {
        page.kill();
        page.waitForFinished();
    }
    // The hot key, then the page's window dragged over from corner to corner.
    void selectThePage() {
        press(QStringLiteral("ctrl+alt+super+l"));
        ASSERT_TRUE(waitForAreaPicker());
        const QRect r = pageWindow.geometry;
        drag(r.topLeft(), r.topLeft() + QPoint(r.width(), r.height()));
    }

    QProcess page;
    Window pageWindow;
};

TEST_F(ScrollingCapture, AutoScrollingCapturesTheWholePageAndEscapeCancels) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));

    selectThePage();
    const auto panel = waitForWindow(QStringLiteral("^Scrolling Capture$"));
    ASSERT_TRUE(panel.has_value()) << quorvane.log().toStdString();
    EXPECT_GT(panel->geometry.top(), pageWindow.geometry.bottom()) << "the panel stands below the area";
    // Auto ↓ is the first of the two Auto buttons, read once the panel has drawn them.
    // The panel's buttons in small type read better enlarged.
    std::optional<QRect> autoDown;
    test::waitUntil([&] {
        const QImage shot = steadyGrab(panel->geometry);
        for (const TextLine& word :
             words(shot.scaled(shot.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), QPoint(),
                   Layout::sparse, true)) {
            const QRect box(panel->geometry.topLeft() + word.box.topLeft() / 2, word.box.size() / 2);
            if (readsLike(QStringLiteral("Auto"), word.text) && (!autoDown || box.x() < autoDown->x()))
                autoDown = box;
        }
        return autoDown.has_value();
    });
    ASSERT_TRUE(autoDown.has_value());
    click(autoDown->center());
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Scrolling capture: 600x3064 px, partial false"), 0, 60000))
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Auto scroll ended after")), 1);
    EXPECT_TRUE(quorvane.log().contains(QStringLiteral("steps: endReached")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Scrolling Capture$")));

    // The stitched page opens in the editor; saved, it is the page with its bars once.
    activate(editor());
    press(QStringLiteral("ctrl+s"));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    const QImage saved(quorvane.savedImages().front());
    EXPECT_TRUE(test::imagesNear(saved.convertToFormat(QImage::Format_RGBA8888_Premultiplied),
                                 test::ScrollPage::image(0, test::ScrollPage::pageRows), 0));

    // Another capture, cancelled with Escape: the panel goes, nothing new opens or is saved.
    // The command waits two seconds after a capture ends.
    settle(2200);
    selectThePage();
    const auto again = waitForWindow(QStringLiteral("^Scrolling Capture$"));
    ASSERT_TRUE(again.has_value());
    steadyGrab(again->geometry);
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Scrolling Capture$")));
    // Whatever the cancelled capture would still have done is in the log once the program ended.
    EXPECT_EQ(quorvane.terminate(), 0);
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Scrolling capture:")), 1);
    EXPECT_EQ(quorvane.savedImages().size(), 1);
}

} // namespace
} // namespace quorvane::journey
