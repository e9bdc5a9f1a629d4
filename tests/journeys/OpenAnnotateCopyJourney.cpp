// Opening an image, drawing on it, undoing, copying and pasting: the Edit menu through focus
// changes, the clipboard as another program reads it.

#include "support/ClipboardOffer.h"
#include "support/PeakMemory.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QUrl>
#include <csignal>

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

// Whether the tool bar in `toolBar` offers Done, as it does while a text is edited.
bool offersDoneIn(const QRect& toolBar) {
    for (const bool darkOnly : {true, false})
        for (const TextLine& word : words(steadyGrab(toolBar), toolBar.topLeft(), Layout::sparse, darkOnly))
            if (comparable(word.text) == QLatin1String("done")) return true;
    return false;
}

class OpenAnnotateCopy : public JourneyTest {
protected:
    // Starts the program with a white 800 × 600 picture in its editor, made active; returns the
    // part of the editor on the screen, or nothing when it did not start.
    static QRect openWhitePicture(Program& quorvane) {
        const QString photo = QString::fromStdString((quorvane.folder("Pictures") / "white.png").string());
        QImage white(800, 600, QImage::Format_RGB32);
        white.fill(Qt::white);
        if (!white.save(photo) || !quorvane.start()) return {};
        openImage(quorvane, photo, {800, 600});
        const Window window = editor();
        activate(window);
        return window.geometry.intersected(QRect(QPoint(0, 0), grab().size()));
    }
};

TEST_F(OpenAnnotateCopy, OpenDrawUndoCopyAndPasteThroughMenusAndKeys) {
    Program quorvane;
    const QString photo = QString::fromStdString((quorvane.folder("Pictures") / "photo.png").string());
    ASSERT_TRUE(testPicture({640, 400}, QColor(200, 220, 255), QColor(255, 240, 200)).save(photo));
    ASSERT_TRUE(quorvane.start());
    // Open Image with its key: the dialog starts in Pictures and opens what is typed.
    Window window = openImage(quorvane, photo, {640, 400});

    // Draw a rectangle in the middle of the picture.
    press(QStringLiteral("r"));
    const QPoint middle = window.geometry.center();
    drag(middle - QPoint(60, 40), middle + QPoint(60, 40));

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

    // Undo from the menu, Redo with its key, Undo with its key and Redo from the menu; Edit ▸ Copy
    // takes the picture with its rectangle again.
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Undo")));
    EXPECT_TRUE(findItem(openMenu(window, QStringLiteral("Edit")), QStringLiteral("Redo")).value_or(MenuItem{}).enabled);
    closeMenus();
    press(QStringLiteral("ctrl+shift+z"));
    press(QStringLiteral("ctrl+z"));
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Redo")));
    const qsizetype beforeCopy = quorvane.mark();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("Edit"), QStringLiteral("Copy")));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), beforeCopy));
    EXPECT_EQ(clipboardImage(), copied);
    // One more rectangle that is not copied: unexported work from here on.
    drag(middle + QPoint(80, 60), middle + QPoint(140, 100));

    // Another program copies an image: Paste takes it as the new document.
    QImage other = testPicture({300, 200}, QColor(40, 160, 40), QColor(160, 40, 40));
    ASSERT_TRUE(putOnClipboard(other));
    // Straight from the keyboard, without a menu opened first.
    const qsizetype beforePaste = quorvane.mark();
    activate(editor());
    press(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 300x200 px image"), beforePaste))
        << quorvane.log().toStdString();

    // The edited picture was kept: File ▸ Restore Previous Document brings it back.
    window = editor();
    ASSERT_TRUE(chooseMenuItem(window, QStringLiteral("File"), QStringLiteral("Restore Previous Document")));
    // Read once the copy is done, so that it does not take the clipboard back from the next program.
    EXPECT_EQ(JourneyTest::copied(quorvane).size(), QSize(640, 400));

    // A file manager copies a PDF: Paste says why it cannot open it, and changes nothing.
    const QString pdf = QString::fromStdString((quorvane.folder("Pictures") / "notes.pdf").string());
    {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n%%EOF\n");
    }
    ASSERT_TRUE(putOnClipboard(QUrl::fromLocalFile(pdf).toEncoded() + "\r\n", QStringLiteral("text/uri-list")));
    const qsizetype beforePdf = quorvane.mark();
    activate(editor());
    press(QStringLiteral("ctrl+v"));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Import failed"), beforePdf)) << quorvane.log().toStdString();
    EXPECT_TRUE(waitForText(editor().geometry, QStringLiteral("Quorvane can't open this item")))
        << "the unsupported-format message is not shown";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// The message shown after Copy sits over the bottom of the canvas: a drag that starts there
// draws, while the message shows and after it went.
TEST_F(OpenAnnotateCopy, DrawingStartsWhereTheCopyMessageShows) {
    Program quorvane;
    const QString photo = QString::fromStdString((quorvane.folder("Pictures") / "photo.png").string());
    ASSERT_TRUE(testPicture({1200, 900}, QColor(200, 220, 255), QColor(255, 240, 200)).save(photo));
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, photo, {1200, 900});
    Window window = editor();
    activate(window);
    press(QStringLiteral("r"));
    std::optional<QPoint> message; // found while it shows, then kept for when it went
    for (const bool shown : {true, false}) {
        const QRect visible = window.geometry.intersected(QRect(QPoint(0, 0), grab().size()));
        const QRect lower(visible.left(), visible.bottom() - 300, visible.width(), 300);
        // The message shows for a while only: watched from before the key.
        std::optional<ScreenWatch> watch;
        if (shown) watch.emplace(lower);
        const qsizetype before = quorvane.mark();
        press(QStringLiteral("ctrl+c"));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), before)) << quorvane.log().toStdString();
        const QImage undrawn = clipboardImage();
        if (shown) {
            std::optional<TextLine> line;
            ASSERT_TRUE(watch->waitFor([&](const QImage& picture) {
                return (line = findText(readImage(picture, lower.topLeft(), Layout::sparse),
                                        QStringLiteral("Copied final image.")))
                    .has_value();
            }).has_value()) << "the message shows after Copy";
            message = line->box.center();
        } else {
            ASSERT_TRUE(waitForNoText(lower, QStringLiteral("Copied final image."))) << "the message stays";
        }
        drag(*message, *message - QPoint(120, 160));
        const qsizetype drawn = quorvane.mark();
        press(QStringLiteral("ctrl+c"));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), drawn)) << quorvane.log().toStdString();
        EXPECT_NE(clipboardImage(), undrawn) << (shown ? "under the message" : "where the message was");
        press(QStringLiteral("ctrl+z"));
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// A text whose lines outgrow its box (its text size made larger) keeps every line once it is
// edited again: the box grows to hold them all, in the copied image too.
TEST_F(OpenAnnotateCopy, AnEditedTextKeepsAllItsLines) {
    Program quorvane;
    const QRect visible = openWhitePicture(quorvane);
    ASSERT_FALSE(visible.isEmpty()) << quorvane.log().toStdString();

    // Six lines pasted into a text box near the top left, committed with Ctrl+Return.
    QStringList lines;
    for (int line = 1; line <= 6; ++line)
        lines << QStringLiteral("Line%1").arg(line);
    ASSERT_TRUE(putOnClipboard(lines.join(QLatin1Char('\n')).toUtf8(), QStringLiteral("UTF8_STRING")));
    press(QStringLiteral("t"));
    const QPoint textAt = visible.topLeft() + QPoint(visible.width() / 4, visible.height() / 5);
    click(textAt);
    // The tool bar offers Done while a text is edited; its items move once the text is committed.
    const QRect toolBar(visible.left(), visible.top(), visible.width(), 90);
    const auto offersDone = [&toolBar] { return offersDoneIn(toolBar); };
    ASSERT_TRUE(test::waitUntil(offersDone, 10000)) << "the text box opened";
    press(QStringLiteral("ctrl+v"));
    press(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(test::waitUntil([&] { return !offersDone(); }, 10000)) << "the text committed";

    // The selected text set larger from the tool bar's text size, then opened again with a double
    // click of the Select tool: a letter typed at its end, committed.
    ASSERT_TRUE(clickText(toolBar, QStringLiteral("18"))) << "the text size menu";
    const auto items = openMenuItems();
    const auto large = findItem(items, QStringLiteral("48 pt"));
    ASSERT_TRUE(large.has_value());
    click(large->box.center());
    ASSERT_TRUE(test::waitUntil([] { return !isMenuOpen(); }));
    press(QStringLiteral("v"));
    doubleClick(textAt + QPoint(10, 10));
    type(QStringLiteral("!"));
    press(QStringLiteral("ctrl+Return"));
    press(QStringLiteral("Escape"));
    const qsizetype before = quorvane.mark();
    press(QStringLiteral("ctrl+c"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), before)) << quorvane.log().toStdString();

    // Every line is in the picture: rows with ink come in six bands.
    const QImage copied = clipboardImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copied.size(), QSize(800, 600));
    int bands = 0;
    bool inked = false;
    for (int y = 0; y < copied.height(); ++y) {
        bool row = false;
        for (int x = 0; x < copied.width() && !row; ++x)
            row = qGray(copied.pixel(x, y)) < 160;
        if (row && !inked) ++bands;
        inked = row;
    }
    EXPECT_EQ(bands, 6) << "lines of text in the copied image";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Another program that sends what it holds half a second late: the text typed at once after the
// paste follows it, and Ctrl+Return commits both before Ctrl+C copies the picture.
TEST_F(OpenAnnotateCopy, TextTypedRightAfterASlowPasteFollowsIt) {
    Program quorvane;
    const QRect visible = openWhitePicture(quorvane);
    ASSERT_FALSE(visible.isEmpty()) << quorvane.log().toStdString();
    const QString pasted = QString::fromStdString((quorvane.folder("Pictures") / "pasted.txt").string());
    {
        QFile file(pasted);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("PASTED") == 6);
    }
    test::ClipboardOffer late(
        {"--type", "UTF8_STRING", "--file", pasted, "--incremental-above", "0", "--trickle", "500"});
    ASSERT_TRUE(late.ready());
    press(QStringLiteral("t"));
    click(visible.topLeft() + QPoint(visible.width() / 4, visible.height() / 5));
    const QRect toolBar(visible.left(), visible.top(), visible.width(), 90);
    ASSERT_TRUE(test::waitUntil([&] { return offersDoneIn(toolBar); }, 10000)) << "the text box opened";
    press(QStringLiteral("ctrl+v"));
    type(QStringLiteral("typed"));
    press(QStringLiteral("ctrl+Return"));
    const qsizetype before = quorvane.mark();
    press(QStringLiteral("ctrl+c"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), before)) << quorvane.log().toStdString();
    EXPECT_TRUE(shows(clipboardImage(), {}, QStringLiteral("PASTEDtyped")));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey

namespace quorvane::journey {
namespace {

TEST_F(OpenAnnotateCopy, AHostileHeicPastedOrOpenedIsRefusedAtOnceAndCostsNothing) {
    QFile hostile(
        QStringLiteral(QUORVANE_TEST_DATA_DIR "/../../fuzz/corpus/importer/grid-record-outside-idat.heic"));
    ASSERT_TRUE(hostile.open(QIODevice::ReadOnly));
    const QByteArray bytes = hostile.readAll();
    Program quorvane;
    const QString file = QString::fromStdString((quorvane.folder("Pictures") / "photo.heic").string());
    {
        QFile copy(file);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(bytes);
    }
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    // As image data, and as a file manager's link to the file.
    for (const auto& [data, type] :
         {std::pair(bytes, QStringLiteral("image/heic")),
          std::pair(QUrl::fromLocalFile(file).toEncoded() + "\r\n", QStringLiteral("text/uri-list"))}) {
        SCOPED_TRACE(type.toStdString());
        ASSERT_TRUE(putOnClipboard(data, type));
        const test::PeakMemory memory(static_cast<pid_t>(quorvane.processId()));
        const qsizetype before = quorvane.mark();
        activate(editor());
        press(QStringLiteral("ctrl+v"));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Import failed"), before))
            << quorvane.log().toStdString();
        // Decoding the canvas it claims would take 2.4 GB: refused from its boxes, it costs none.
        EXPECT_LT(memory.growth(), 50 << 20);
        EXPECT_TRUE(waitForText(editor().geometry, QStringLiteral("Quorvane can't read")))
            << "the damaged-image message is not shown";
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Another program offers a gigabyte as a PNG whose header claims 40,000 × 40,000 pixels: Ctrl+V
// says it is too large, without fetching it first.
TEST_F(OpenAnnotateCopy, AGigabyteOfferedByAnotherProgramIsRefusedWithoutBeingFetched) {
    Program quorvane;
    const QString head = QString::fromStdString((quorvane.folder("Pictures") / "head").string());
    {
        QFile file(head);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x9c\x40\0\0\x9c\x40\x08\x06\0\0\0\0\0\0\0", 33));
    }
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    test::ClipboardOffer offer({"--type", "image/png", "--file", head, "--size", "1072693248"});
    ASSERT_TRUE(offer.ready());
    const test::PeakMemory memory(static_cast<pid_t>(quorvane.processId()));
    const qsizetype before = quorvane.mark();
    activate(editor());
    press(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Import failed"), before)) << quorvane.log().toStdString();
    EXPECT_LT(memory.growth(), 300 << 20);
    EXPECT_TRUE(test::waitUntil([&] { return shows(editor().geometry, QStringLiteral("This image is 40000 × 40000")); }, 20000))
        << "the too-large message is not shown";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Another program's line with no place to break it (512 KiB of one letter, then 4 MiB of NUL
// bytes and bytes that are no UTF-8) pasted into a text: the text keeps what it holds and the
// window says so, a later start hands over its link at once, and SIGTERM ends the program.
TEST_F(OpenAnnotateCopy, ALongPastedLineLeavesTheProgramAtHand) {
    Program quorvane;
    const QRect visible = openWhitePicture(quorvane);
    ASSERT_FALSE(visible.isEmpty()) << quorvane.log().toStdString();
    const QRect toolBar(visible.left(), visible.top(), visible.width(), 90);

    static constexpr char bytes[] = "\0\0\xff\xc3(\xed\xa0\x80";
    for (const QByteArray& line :
         {QByteArray(512 << 10, 'x'), QByteArray(bytes, sizeof bytes - 1).repeated(4 << 17)}) {
        ASSERT_TRUE(putOnClipboard(line, QStringLiteral("UTF8_STRING")));
        press(QStringLiteral("t"));
        click(visible.topLeft() + QPoint(visible.width() / 4, visible.height() / 3));
        ASSERT_TRUE(test::waitUntil([&] { return offersDoneIn(toolBar); }, 10000)) << "the text box opened";
        // The message shows for a while only: watched from before the key.
        ScreenWatch watch(visible);
        press(QStringLiteral("ctrl+v"));
        EXPECT_TRUE(watch.waitForText(QStringLiteral("A text holds up to 4,096 characters")))
            << line.size() << " bytes pasted";
        const qsizetype since = quorvane.mark();
        const auto later = quorvane.startAnother({QStringLiteral("quorvane://show")});
        EXPECT_EQ(later->state(), QProcess::NotRunning);
        EXPECT_EQ(later->exitCode(), 0) << later->readAll().toStdString();
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since))
            << quorvane.log().toStdString();
        press(QStringLiteral("Escape"));
        ASSERT_TRUE(test::waitUntil([&] { return !offersDoneIn(toolBar); }, 10000)) << "the text dropped";
    }
    quorvane.signal(SIGTERM);
    EXPECT_EQ(quorvane.waitForExit(test::bound(3000)), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
