// The desktop's Increase Contrast and Reduce Motion, switched in the desktop's own settings while
// the program runs: GNOME's high-contrast switch turns the canvas's selection handles black and
// white, and an XSETTINGS manager that turns animations off makes the floating thumbnail appear
// in place instead of sliding in.

#include "support/SettingsDaemon.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"
#include "support/journey/SessionBus.h"
#include "support/journey/WindowMoves.h"

#include <algorithm>

namespace quorvane::journey {
namespace {

const QString thumbnailTitle = QStringLiteral("^Screenshot Preview$");

class DesktopSettings : public JourneyTest {
protected:
    // Pixels of the selection handles' colour (system cyan) and of black in `region`.
    static int cyanPixels(const QImage& image) {
        return count(image, [](QColor c) {
            return std::abs(c.red() - 50) < 24 && std::abs(c.green() - 173) < 24 && std::abs(c.blue() - 230) < 24;
        });
    }
    static int blackPixels(const QImage& image) {
        return count(image, [](QColor c) { return c.red() < 40 && c.green() < 40 && c.blue() < 40; });
    }
    static int count(const QImage& image, const std::function<bool(QColor)>& matches) {
        int found = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (matches(image.pixelColor(x, y))) ++found;
        return found;
    }
    // The card slid in when it stood further right before it came to rest.
    static bool slidIn(const std::vector<int>& edges) {
        return !edges.empty() && *std::max_element(edges.begin(), edges.end()) - edges.back() >= 20;
    }
    // Shows the screen's capture in the thumbnail; the card once it rests, with where it stood.
    static std::optional<Window> thumbnail(std::vector<int>& edges) {
        WindowMoves moves;
        press(QStringLiteral("ctrl+alt+super+3"));
        const auto card = waitForWindow(thumbnailTitle, 10000, 300);
        if (card) edges = moves.leftEdges(card->id);
        return card;
    }
};

TEST_F(DesktopSettings, HighContrastFromGnomeSettingsRedrawsTheSelection) {
    Program quorvane;
    SessionBus bus(quorvane);
    ASSERT_TRUE(bus.running());
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(QColor(235, 240, 245));
    const QString path = placePicture(quorvane, picture, "plain.png");
    ASSERT_TRUE(quorvane.start());
    const Window window = openImage(quorvane, path, {600, 400});

    // A new rectangle stays selected, its handles in cyan.
    press(QStringLiteral("r"));
    const QPoint centre = window.geometry.center();
    drag(centre - QPoint(80, 50), centre + QPoint(80, 50));
    const QRect around(centre - QPoint(110, 80), QSize(220, 160));
    ASSERT_TRUE(test::waitUntil([&] { return cyanPixels(grab(around)) > 20; })) << "no selection handles";
    const int blackBefore = blackPixels(grab(around));

    ASSERT_TRUE(bus.set(QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("high-contrast"),
                        QStringLiteral("true")));
    // The handles turn white in black, without a click or a key.
    EXPECT_TRUE(test::waitUntil([&] {
        const QImage now = grab(around);
        return cyanPixels(now) == 0 && blackPixels(now) > blackBefore + 20;
    })) << "the selection kept its colours";
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Desktop settings: Reduce Motion off, Increase Contrast on")));

    ASSERT_TRUE(bus.set(QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("high-contrast"),
                        QStringLiteral("false")));
    EXPECT_TRUE(test::waitUntil([&] { return cyanPixels(grab(around)) > 20; })) << "the handles stayed black";
}

TEST_F(DesktopSettings, TheThumbnailStopsSlidingOnceTheDesktopTurnsAnimationsOff) {
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));

    std::vector<int> edges;
    auto card = thumbnail(edges);
    ASSERT_TRUE(card.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(slidIn(edges)) << "the card did not slide in";
    // A click on the card opens the editor and takes the card away; closing the editor leaves
    // nothing of ours on the screen.
    click(card->geometry.center());
    ASSERT_TRUE(waitForNoWindow(thumbnailTitle));
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));

    // The desktop's settings manager turns animations off.
    const qsizetype since = quorvane.mark();
    test::SettingsDaemon daemon;
    ASSERT_TRUE(daemon.start("Gtk/EnableAnimations 0\n"));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Desktop settings: Reduce Motion on"), since));
    card = thumbnail(edges);
    ASSERT_TRUE(card.has_value()) << quorvane.log().toStdString();
    EXPECT_FALSE(slidIn(edges)) << "the card still slid in";
    EXPECT_FALSE(edges.empty());
    for (const int edge : edges)
        EXPECT_EQ(edge, edges.back()) << "the card moved before it came to rest";
}

} // namespace
} // namespace quorvane::journey
