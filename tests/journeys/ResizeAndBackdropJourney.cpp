// Changing what the image becomes: resize, backdrop, expand canvas, flatten, an overlay pasted on
// top, and the before/after GIF; the sheets one at a time.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"
#include "support/journey/ReaderButton.h"
#include "support/journey/SessionBus.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace quorvane::journey {
namespace {

class ResizeAndBackdrop : public JourneyTest {
protected:
    // Opens a picture through File ▸ Open Image… and returns the editor.
    Window openPicture(Program& quorvane, QSize size) {
        const QString path = QString::fromStdString((quorvane.folder("Pictures") / "picture.png").string());
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(90, 140, 220));
        QPainter(&image).fillRect(QRect(0, size.height() / 2, size.width(), size.height() / 2), QColor(240, 200, 80));
        EXPECT_TRUE(image.save(path));
        Window window = editor();
        EXPECT_TRUE(chooseMenuItem(window, QStringLiteral("File"), QStringLiteral("Open Image")));
        EXPECT_TRUE(waitForWindow(QStringLiteral("^Open Image$")).has_value());
        const qsizetype since = quorvane.mark();
        type(path);
        press(QStringLiteral("Return"));
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Imported %1x%2 px image").arg(size.width()).arg(size.height())));
        EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Open Image$")));
        // The editor refits to the picture: once the program says so, and it holds still.
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Editor window fitted"), since)) << quorvane.log().toStdString();
        return waitForWindow(QStringLiteral("^Quorvane$"), 20000, 500).value_or(Window{});
    }

    // The first showing button whose name or description matches `pattern`, found over AT-SPI as a
    // screen reader finds it: pressed through its action, or its place on the screen.
    static std::optional<QRect> screenReaderButton(const Program& quorvane, const QString& pattern,
                                                   const QString& what) {
        const ReaderButtonCall call = readerButton(quorvane, pattern, what);
        if (call.exitCode != 0) return std::nullopt;
        const QStringList box = call.output.split(QLatin1Char(' '));
        return box.size() == 4 ? QRect(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt())
                               : QRect();
    }

    // What Copy puts on the clipboard now.
    static QImage copied(Program& quorvane) {
        const qsizetype since = quorvane.mark();
        press(QStringLiteral("ctrl+c"));
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), since));
        return clipboardImage();
    }
};

TEST_F(ResizeAndBackdrop, SheetsChangeTheExportedImageAndWaitForEachOther) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Window window = openPicture(quorvane, {800, 500});

    // The Edit menu carries the composition items in their places, and Arrange follows Edit.
    const auto items = openMenu(window, QStringLiteral("Edit"));
    closeMenus();
    for (const char* title : {"Paste", "Paste as Overlay", "Resize Image", "Expand Canvas", "Flatten Image", "Backdrop"})
        EXPECT_TRUE(findItem(items, QString::fromUtf8(title)).has_value()) << title;
    const auto top = [&](const QString& title) { return findItem(items, title).value_or(MenuItem{}).box.top(); };
    EXPECT_LT(top(QStringLiteral("Resize Image")), top(QStringLiteral("Expand Canvas")));
    EXPECT_LT(top(QStringLiteral("Expand Canvas")), top(QStringLiteral("Flatten Image")));
    EXPECT_TRUE(menuItem(window, QStringLiteral("Arrange"), QStringLiteral("Bring to Front")).has_value());

    // Resize to half through the sheet's own button.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Resize Image")));
    auto sheet = waitForWindow(QStringLiteral("^Resize Image$"));
    ASSERT_TRUE(sheet.has_value());
    ASSERT_TRUE(clickText(sheet->geometry, QStringLiteral("50%")));
    ASSERT_TRUE(clickText(sheet->geometry, QStringLiteral("Resize")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Resize Image$")));
    EXPECT_EQ(copied(quorvane).size(), QSize(400, 250));

    // A backdrop grows the exported image by its padding.
    window = editor();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Recognized Text$")).has_value());
    window = editor();
    activate(window);
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Backdrop")));
    sheet = waitForWindow(QStringLiteral("^Backdrop$"));
    ASSERT_TRUE(sheet.has_value());

    // Resize asked for from another window while the backdrop sheet is open waits for it: the
    // Recognized Text window has the same menus, opened earlier from the Window menu.
    const auto text = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(text.has_value());
    ASSERT_TRUE(chooseMenuItem(*text, QStringLiteral("Edit"), QStringLiteral("Resize Image")));
    // The same window's menu, opened after the choice was handled: no resize sheet by then.
    EXPECT_FALSE(openMenu(*text, QStringLiteral("Edit")).empty());
    closeMenus();
    EXPECT_FALSE(journey::window(QStringLiteral("^Resize Image$")).has_value());
    sheet = waitForWindow(QStringLiteral("^Backdrop$"));
    ASSERT_TRUE(sheet.has_value());
    activate(*sheet);
    ASSERT_TRUE(clickText(sheet->geometry, QStringLiteral("Apply")));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Backdrop$")));
    sheet = waitForWindow(QStringLiteral("^Resize Image$"));
    ASSERT_TRUE(sheet.has_value()) << "the resize sheet did not follow the backdrop sheet";
    activate(*sheet);
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Resize Image$")));
    // Ctrl+Alt+I opens the resize sheet too.
    activate(editor());
    press(QStringLiteral("ctrl+alt+i"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Resize Image$")).has_value());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Resize Image$")));
    activate(editor());
    const QImage withBackdrop = copied(quorvane);
    // Padding on every side, the same.
    EXPECT_GT(withBackdrop.width(), 400);
    EXPECT_EQ(withBackdrop.width() - 400, withBackdrop.height() - 250);

    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(ResizeAndBackdrop, ExpandFlattenOverlayAndBeforeAfterGif) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Window window = openPicture(quorvane, {600, 400});

    // Another program's image pasted on top as an overlay; then the canvas grown around both.
    QImage stamp(120, 80, QImage::Format_RGB32);
    stamp.fill(Qt::red);
    ASSERT_TRUE(putOnClipboard(stamp));
    activate(window);
    const qsizetype beforePaste = quorvane.mark();
    press(QStringLiteral("ctrl+alt+v"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Pasted 120x80 px overlay"), beforePaste))
        << quorvane.log().toStdString();
    const QImage withOverlay = copied(quorvane);
    ASSERT_EQ(withOverlay.size(), QSize(600, 400));
    int red = 0;
    for (int y = 0; y < withOverlay.height(); y += 4)
        for (int x = 0; x < withOverlay.width(); x += 4)
            red += withOverlay.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_GT(red, 400) << "the pasted overlay is not in the image";

    // Flatten Image keeps the look and empties the annotations.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Flatten Image")));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Flattened 600x400 px"))) << quorvane.log().toStdString();
    EXPECT_FALSE(menuItem(window, QStringLiteral("Edit"), QStringLiteral("Flatten Image")).value_or(MenuItem{{}, {}, true}).enabled);

    // Expand Canvas… through its sheet.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Expand Canvas")));
    const auto sheet = waitForWindow(QStringLiteral("Expand Canvas"));
    ASSERT_TRUE(sheet.has_value());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("Expand Canvas")));

    // File ▸ Export Before/After GIF… writes two frames where the dialog says.
    const QString gif = QString::fromStdString((quorvane.folder("Pictures") / "compare.gif").string());
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Export Before/After GIF")));
    const auto dialog = waitForWindow(QStringLiteral("^Save|GIF"));
    ASSERT_TRUE(dialog.has_value()) << "no dialog for the GIF";
    activate(*dialog);
    press(QStringLiteral("ctrl+a"));
    type(gif);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Saved before/after GIF"))) << quorvane.log().toStdString();
    ASSERT_TRUE(QFileInfo::exists(gif));
    QImageReader reader(gif);
    EXPECT_EQ(reader.imageCount(), 2);
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// The status bar's image size and Backdrop buttons open their sheets, clicked or pressed through
// the accessibility interface, as the menu items do.
TEST_F(ResizeAndBackdrop, StatusBarButtonsOpenTheirSheets) {
    Program quorvane;
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());
    openPicture(quorvane, {800, 500});
    for (const auto& [pattern, title] :
         {std::pair{"^[0-9]+ × [0-9]+$|^Image size", "Resize Image"}, {"^Backdrop", "Backdrop"}}) {
        const QString sheet = QStringLiteral("^%1$").arg(QString::fromLatin1(title));
        for (const QString& how : {QStringLiteral("extents"), QStringLiteral("press")}) {
            activate(editor());
            const auto button = screenReaderButton(quorvane, QString::fromUtf8(pattern), how);
            ASSERT_TRUE(button.has_value()) << title << " not found";
            if (how == QLatin1String("extents")) click(button->center());
            EXPECT_TRUE(waitForWindow(sheet).has_value())
                << title << " did not open by " << how.toStdString();
            press(QStringLiteral("Escape"));
            ASSERT_TRUE(waitForNoWindow(sheet)) << title;
        }
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
