// Working on the annotations and the windows: Duplicate and Delete, the Arrange menu's stacking and
// aligning on two overlapping images, Window ▸ Zoom and Bring All to Front, About, and Reopen Editor
// after the editor was closed.

#include "support/ImageCompare.h"
#include "support/journey/JourneyTest.h"

#include <QBuffer>

namespace quorvane::journey {
namespace {

const QColor paper(235, 240, 245);

class Edit : public JourneyTest {
protected:
    static QString makePicture(Program& quorvane) {
        QImage image(600, 400, QImage::Format_RGB32);
        image.fill(paper);
        return placePicture(quorvane, image, "plain.png");
    }

    // Another program copies a plain image of `color`.
    static void copyElsewhere(QSize size, QColor color) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        ASSERT_TRUE(putOnClipboard(png, QStringLiteral("image/png")));
    }

    static QColor at(const QImage& image, QPoint point) { return image.pixelColor(point); }
};

TEST_F(Edit, DuplicateDeleteArrangeAndAlign) {
    Program quorvane;
    const QString path = makePicture(quorvane);
    ASSERT_TRUE(quorvane.start());
    Window window = openImage(quorvane, path, {600, 400});

    // A rectangle, then Ctrl+D: a second one beside it; Edit ▸ Delete takes the copy away again.
    press(QStringLiteral("r"));
    drag(window.geometry.center() - QPoint(60, 40), window.geometry.center() + QPoint(60, 40));
    const QImage one = copied(quorvane);
    ASSERT_FALSE(test::imagesNear(one, QImage(path).convertToFormat(QImage::Format_RGB32), 0))
        << "nothing drawn";
    press(QStringLiteral("ctrl+d"));
    const QImage two = copied(quorvane);
    EXPECT_FALSE(test::imagesNear(two, one, 0)) << "Duplicate added nothing";
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Delete")));
    EXPECT_TRUE(test::imagesNear(copied(quorvane), one, 0)) << "Delete did not take the copy away";

    // Two images pasted on top, the small blue one over the middle of the large red one.
    copyElsewhere({300, 200}, Qt::red);
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Edit"), QStringLiteral("Paste as Overlay")));
    copyElsewhere({100, 60}, Qt::blue);
    activate(editor());
    press(QStringLiteral("ctrl+alt+v"));
    QImage image = copied(quorvane);
    // Where they overlap, and where only the red one is.
    const QPoint both = image.rect().center();
    const QPoint redOnly = both - QPoint(100, 0);
    ASSERT_EQ(at(image, both), QColor(Qt::blue)) << "the pasted images are not where they should be";
    ASSERT_EQ(at(image, redOnly), QColor(Qt::red));

    // The blue one is selected: Send to Back hides it, Bring to Front shows it again.
    window = editor();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Arrange"), QStringLiteral("Send to Back")));
    EXPECT_EQ(at(copied(quorvane), both), QColor(Qt::red)) << "Send to Back";
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Arrange"), QStringLiteral("Bring to Front")));
    EXPECT_EQ(at(copied(quorvane), both), QColor(Qt::blue)) << "Bring to Front";

    // One step at a time with the keys: Send Backward (Ctrl+[) and Bring Forward (Ctrl+]).
    activate(editor());
    press(QStringLiteral("ctrl+bracketleft"));
    EXPECT_EQ(at(copied(quorvane), both), QColor(Qt::red)) << "Send Backward";
    press(QStringLiteral("ctrl+bracketright"));
    EXPECT_EQ(at(copied(quorvane), both), QColor(Qt::blue)) << "Bring Forward";

    // Each Align item moves it to its edge or middle of the picture (600 × 400; it is 100 × 60).
    const struct {
        const char* item;
        QPoint inside;
    } alignments[] = {{"Align Left", {50, 200}},    {"Align Top", {50, 30}},      {"Align Right", {550, 30}},
                      {"Align Bottom", {550, 370}}, {"Align Center", {300, 370}}, {"Align Middle", both}};
    for (const auto& alignment : alignments) {
        ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Arrange"), QString::fromUtf8(alignment.item)))
            << alignment.item;
        image = copied(quorvane);
        EXPECT_EQ(at(image, alignment.inside), QColor(Qt::blue)) << alignment.item;
        if (alignment.inside != both) {
            EXPECT_EQ(at(image, both), QColor(Qt::red)) << alignment.item;
        }
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(Edit, ZoomBringAllToFrontAndReopenEditor) {
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Another program"), {40, 60, 640, 900}));
    Program quorvane;
    const QString path = makePicture(quorvane);
    ASSERT_TRUE(quorvane.start());
    Window window = openImage(quorvane, path, {600, 400});
    const QImage picture = copied(quorvane);

    // Window ▸ Zoom fills the free screen; again, and it is back as it was.
    const QRect before = window.geometry;
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Window"), QStringLiteral("Zoom")));
    test::waitUntil([] {
        const auto shown = journey::window(QStringLiteral("^Quorvane$"));
        return shown && shown->geometry.width() > workArea().width() - 20;
    });
    window = editor();
    EXPECT_GT(window.geometry.width(), workArea().width() - 20) << "Zoom did not fill the screen";
    EXPECT_GT(window.geometry.height(), workArea().height() - 80);
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Window"), QStringLiteral("Zoom")));
    test::waitUntil([&] {
        const auto shown = journey::window(QStringLiteral("^Quorvane$"));
        return shown && shown->geometry.size() == before.size();
    });
    window = editor();
    EXPECT_EQ(window.geometry.size(), before.size());

    // Another program's window in front of both of ours; Bring All to Front from the Recognized
    // Text window's menu lifts the editor too, which the click on that window alone would not.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    const auto text = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(text.has_value());
    const auto other = journey::window(QStringLiteral("still-"));
    ASSERT_TRUE(other.has_value());
    activate(*other);
    const auto above = [](const Window& upper, const Window& lower) {
        const QStringList order = stacking();
        return order.indexOf(upper.id) > order.indexOf(lower.id);
    };
    ASSERT_TRUE(above(*other, editor()));
    ASSERT_TRUE(chooseMenuItem(*text, QStringLiteral("Window"), QStringLiteral("Bring All to Front")));
    EXPECT_TRUE(test::waitUntil([&] { return above(editor(), *other); })) << "the editor stayed behind";
    EXPECT_TRUE(above(*text, *other));

    // Quorvane ▸ About Quorvane tells the version; Return closes it.
    ASSERT_TRUE(chooseMenuItem(*text, QStringLiteral("Quorvane"), QStringLiteral("About Quorvane")));
    const auto about = waitForWindow(QStringLiteral("^About Quorvane$"));
    ASSERT_TRUE(about.has_value()) << "no About window";
    EXPECT_TRUE(waitForText(about->geometry, QStringLiteral("Version")));
    activate(*about);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^About Quorvane$")));

    // Closed with Ctrl+W, the editor comes back with its picture: Ctrl+N in the other window of
    // ours, and its File ▸ Reopen Editor.
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    activate(*text);
    press(QStringLiteral("ctrl+n"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value())
        << "Ctrl+N did not bring the editor back";
    EXPECT_TRUE(test::imagesNear(copied(quorvane), picture, 0));
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(chooseMenuItem(*text, QStringLiteral("File"), QStringLiteral("Reopen Editor")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value());
    EXPECT_TRUE(test::imagesNear(copied(quorvane), picture, 0));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
