// Opening an image, drawing on it, undoing, copying and pasting: the Edit menu through focus
// changes, the clipboard as another program reads it.

#include "support/journey/JourneyTest.h"

#include <QBuffer>
#include <QFile>
#include <QUrl>
#include <QPainter>

namespace quorvane::journey {
namespace {

// A picture that differs top to bottom and left to right, so a flip or a shift would show.
QImage testPicture(QSize size, QColor top, QColor bottom) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, size.width(), size.height() / 2), top);
    painter.fillRect(QRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2), bottom);
    painter.fillRect(QRect(10, 10, 40, 20), Qt::black);
    return image;
}

class OpenAnnotateCopy : public JourneyTest {};

TEST_F(OpenAnnotateCopy, OpenDrawUndoCopyAndPasteThroughMenusAndKeys) {
    Program quorvane;
    const QString photo = QString::fromStdString((quorvane.folder("Pictures") / "photo.png").string());
    ASSERT_TRUE(testPicture({640, 400}, QColor(200, 220, 255), QColor(255, 240, 200)).save(photo));
    ASSERT_TRUE(quorvane.start());
    Window window = editor();
    activate(window);

    // Open Image with its key: the dialog starts in Pictures and opens what is typed.
    press(QStringLiteral("ctrl+o"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Open Image$")).has_value());
    type(photo);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 640x400 px image"))) << quorvane.log().toStdString();
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Open Image$")));
    settle(500);
    window = editor();

    // Draw a rectangle in the middle of the picture.
    press(QStringLiteral("r"));
    const QPoint middle = window.geometry.center();
    drag(middle - QPoint(60, 40), middle + QPoint(60, 40));
    settle();

    // The Edit menu offers Undo and Copy, also after Escape and a second look.
    auto items = openMenu(window, QStringLiteral("Edit"));
    ASSERT_TRUE(findItem(items, QStringLiteral("Undo")).has_value());
    EXPECT_TRUE(findItem(items, QStringLiteral("Undo"))->enabled);
    closeMenus();
    items = openMenu(window, QStringLiteral("Edit"));
    EXPECT_TRUE(findItem(items, QStringLiteral("Undo")).value_or(MenuItem{}).enabled);
    EXPECT_TRUE(findItem(items, QStringLiteral("Copy")).value_or(MenuItem{}).enabled);
    EXPECT_TRUE(findItem(items, QStringLiteral("Paste")).value_or(MenuItem{}).enabled == false);
    closeMenus();

    // Ctrl+C right after drawing puts the final image on the clipboard.
    press(QStringLiteral("ctrl+c"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"))) << quorvane.log().toStdString();
    EXPECT_TRUE(clipboardTargets().contains(QStringLiteral("image/png")));
    const QImage copied = clipboardImage();
    ASSERT_EQ(copied.size(), QSize(640, 400));
    EXPECT_EQ(QColor(copied.pixel(20, 15)), QColor(Qt::black));

    // Undo from the menu, Redo with its key.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Undo")));
    EXPECT_TRUE(findItem(openMenu(window, QStringLiteral("Edit")), QStringLiteral("Redo")).value_or(MenuItem{}).enabled);
    closeMenus();
    press(QStringLiteral("ctrl+shift+z"));
    settle();

    // Another program copies an image: Paste takes it as the new document.
    QImage other = testPicture({300, 200}, QColor(40, 160, 40), QColor(160, 40, 40));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        other.save(&buffer, "PNG");
    }
    ASSERT_TRUE(putOnClipboard(png, QStringLiteral("image/png")));
    settle();
    EXPECT_TRUE(findItem(openMenu(window, QStringLiteral("Edit")), QStringLiteral("Paste")).value_or(MenuItem{}).enabled);
    closeMenus();
    const qsizetype beforePaste = quorvane.mark();
    press(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 300x200 px image"), beforePaste))
        << quorvane.log().toStdString();

    // The edited picture was kept: File ▸ Restore Previous Document brings it back.
    window = editor();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("File"), QStringLiteral("Restore Previous Document")));
    settle(500);
    press(QStringLiteral("ctrl+c"));
    settle(500);
    EXPECT_EQ(clipboardImage().size(), QSize(640, 400));

    // A file manager copies a PDF: Paste says why it cannot open it, and changes nothing.
    const QString pdf = QString::fromStdString((quorvane.folder("Pictures") / "notes.pdf").string());
    {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n%%EOF\n");
    }
    ASSERT_TRUE(putOnClipboard(QUrl::fromLocalFile(pdf).toEncoded() + "\r\n", QStringLiteral("text/uri-list")));
    settle();
    const qsizetype beforePdf = quorvane.mark();
    activate(editor());
    press(QStringLiteral("ctrl+v"));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Import failed"), beforePdf)) << quorvane.log().toStdString();
    settle(500);
    EXPECT_TRUE(findText(readScreen(editor().geometry, Layout::sparse), QStringLiteral("Quorvane can't open this item")))
        << "the unsupported-format message is not shown";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
