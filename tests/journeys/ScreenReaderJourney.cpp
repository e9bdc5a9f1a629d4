// A screen reader user's walk through the program, over AT-SPI as Orca reads it (another process
// on the session's accessibility bus): the home view, the editor with its backdrop and resize
// sheets, Settings, Recognized Text, a pin and the floating thumbnail; a text typed in place, the
// Save button's menu, the colour popover, Capture a Window, About, and the tray's menu followed
// through the focus; the scrolling capture's overlay, outline and panel. Every slider offers its
// number, no description repeats its control's name, every window is a window, no name is a page
// of text, no menu item reads its key as a part of its name, and nothing a user meets is unnamed.
// The Save button is pressed, and its menu opened, as a reader does: nothing under a sheet or the
// area picker, or in the closed editor. So are the menu bar's File title and its Save Image item:
// nothing under a sheet or in the closed editor, one save from the open menu.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"
#include "support/journey/ReaderButton.h"
#include "support/journey/SessionBus.h"

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <map>

namespace quorvane::journey {
namespace {

// What the walk read: "<role> <title>" of each window, "<role> <name>" of what has the focus, and
// one line for each fault.
struct ScreenReaderView {
    QStringList windows;
    QStringList faults;
    QStringList focused;
};

// A screen reader following the focus from now on, as Orca does through a menu: what took it
// ("<role> <name> <key>", tab-separated), what it said of it ("<role> <name> <description>"),
// and one line for each fault met there.
class FocusFollower {
public:
    explicit FocusFollower(const Program& quorvane) {
        walker_.setProcessEnvironment(quorvane.environment());
        walker_.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(QUORVANE_SCREEN_READER_WALK), QString::number(quorvane.processId()),
                       QStringLiteral("focus")});
        listening_ =
            test::waitUntil([&] { return (read(), heard_.contains(QStringLiteral("listening"))); }, 30000);
    }
    ~FocusFollower() { stop(); }
    FocusFollower(const FocusFollower&) = delete;
    FocusFollower& operator=(const FocusFollower&) = delete;

    bool listening() const { return listening_; }
    QStringList focused() { return lines(QStringLiteral("focus")); }
    QStringList described() { return lines(QStringLiteral("described")); }
    // The names it was told objects took ("<role> <name>", tab-separated), in order.
    QStringList named() { return lines(QStringLiteral("named")); }
    // Ends the listening (its standard input closed); the faults it met.
    QStringList stop() {
        if (walker_.state() != QProcess::NotRunning) {
            walker_.closeWriteChannel();
            if (!walker_.waitForFinished(test::bound(20000))) walker_.kill();
            walker_.waitForFinished();
        }
        read();
        QStringList faults;
        for (const QString& line : heard_)
            if (const QStringList fields = line.split(QLatin1Char('\t'));
                fields.size() == 3 && fields[0] == u"fault")
                faults << fields[1] + QStringLiteral(": ") + fields[2];
        return faults;
    }

private:
    QStringList lines(const QString& kind) {
        read();
        const QRegularExpression start(QLatin1Char('^') + kind + QLatin1Char('\t'));
        return heard_.filter(start).replaceInStrings(start, QString());
    }
    void read() {
        pending_ += QString::fromUtf8(walker_.readAllStandardOutput());
        const qsizetype end = pending_.lastIndexOf(QLatin1Char('\n'));
        if (end < 0) return;
        heard_ << pending_.left(end).split(QLatin1Char('\n'));
        pending_.remove(0, end + 1);
    }

    QProcess walker_;
    QString pending_;
    QStringList heard_;
    bool listening_ = false;
};

class ScreenReader : public JourneyTest {
protected:
    // The program's whole tree as the screen reader finds it now, once the program is on the
    // accessibility bus.
    static ScreenReaderView walk(const Program& quorvane) {
        ScreenReaderView view;
        QString failure;
        const bool read = test::waitUntil(
            [&] {
                QProcess walker;
                walker.setProcessEnvironment(quorvane.environment());
                walker.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUORVANE_SCREEN_READER_WALK),
                                                                  QString::number(quorvane.processId())});
                if (!walker.waitForFinished(test::bound(60000)) ||
                    walker.exitStatus() != QProcess::NormalExit || walker.exitCode() != 0) {
                    failure = QString::fromUtf8(walker.readAllStandardError());
                    return false;
                }
                for (const QString& line :
                     QString::fromUtf8(walker.readAllStandardOutput()).split(QLatin1Char('\n'))) {
                    const QStringList fields = line.split(QLatin1Char('\t'));
                    if (fields.size() == 3 && fields[0] == QLatin1String("window"))
                        view.windows << fields[1] + QLatin1Char(' ') + fields[2];
                    else if (fields.size() == 3 && fields[0] == QLatin1String("focused"))
                        view.focused << fields[1] + QLatin1Char(' ') + fields[2];
                    else if (fields.size() == 3)
                        view.faults << fields[1] + QStringLiteral(": ") + fields[2];
                }
                return true;
            },
            30000);
        EXPECT_TRUE(read) << "the screen reader did not find the program: " << failure.toStdString();
        return view;
    }
    // The tree once it shows what the person sees (`shown` of it holds), or as it is at the bound.
    static ScreenReaderView walkUntil(const Program& quorvane,
                                      const std::function<bool(const ScreenReaderView&)>& shown,
                                      int timeoutMs = 20000) {
        ScreenReaderView view;
        test::waitUntil([&] { return shown(view = walk(quorvane)); }, timeoutMs);
        return view;
    }
    static bool hasWindow(const ScreenReaderView& view, const QString& title) {
        return std::any_of(view.windows.begin(), view.windows.end(),
                           [&](const QString& window) { return window.endsWith(QLatin1Char(' ') + title); });
    }
    static std::string faults(const ScreenReaderView& view) {
        return view.faults.join(QLatin1Char('\n')).toStdString();
    }
    // Does `what` ("press", "menu") to the button that `pattern` finds, as a reader does: 0 where
    // done, -1 where the call never returned.
    static int readerPress(const Program& quorvane, const QString& pattern, const QString& what) {
        return readerButton(quorvane, pattern, what).exitCode;
    }
};

TEST_F(ScreenReader, MeetsNamedControlsSlidersWithValuesAndTheFloatingPanelsAsWindows) {
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());

    // The home view.
    editor();
    EXPECT_EQ(walk(quorvane).faults.join(QLatin1Char('\n')).toStdString(), "") << "the home view";

    // The editor and its sheets, one at a time.
    QImage picture(640, 400, QImage::Format_RGB32);
    picture.fill(QColor(90, 140, 220));
    openImage(quorvane, placePicture(quorvane, picture, "picture.png"), picture.size());
    EXPECT_EQ(faults(walk(quorvane)), "") << "the editor";
    for (const auto& [keys, title] : {std::pair{"ctrl+alt+b", "Backdrop"}, {"ctrl+alt+i", "Resize Image"}}) {
        activate(editor());
        press(QString::fromLatin1(keys));
        const QString pattern = QStringLiteral("^%1$").arg(QString::fromLatin1(title));
        ASSERT_TRUE(waitForWindow(pattern).has_value()) << title;
        EXPECT_EQ(walk(quorvane).faults.join(QLatin1Char('\n')).toStdString(), "") << title;
        press(QStringLiteral("Escape"));
        ASSERT_TRUE(waitForNoWindow(pattern)) << title;
    }

    // Recognized Text, a pin, Settings and, over them, the thumbnail of a new capture, held by the
    // pointer resting on it.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Recognized Text$")).has_value());
    activate(editor());
    press(QStringLiteral("ctrl+shift+p"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Pinned Screenshot$")).has_value());
    activate(editor());
    press(QStringLiteral("ctrl+comma"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane Settings$")).has_value());
    press(QStringLiteral("ctrl+alt+super+3"));
    const auto thumbnail = waitForWindow(QStringLiteral("^Screenshot Preview$"), 20000, 500);
    ASSERT_TRUE(thumbnail.has_value());
    moveMouse(thumbnail->geometry.topLeft() - QPoint(40, 40));
    const QImage away = steadyGrab(thumbnail->geometry);
    moveMouse(thumbnail->geometry.center());
    ASSERT_TRUE(test::waitUntil([&] { return grab(thumbnail->geometry) != away; }, 5000))
        << "the thumbnail's buttons did not come up";

    const ScreenReaderView all = walk(quorvane);
    EXPECT_EQ(all.faults.join(QLatin1Char('\n')).toStdString(), "");
    for (const char* title : {"Pinned Screenshot", "Screenshot Preview", "Recognized Text"})
        EXPECT_TRUE(all.windows.contains(QStringLiteral("frame ") + QString::fromLatin1(title)))
            << title << " in: " << all.windows.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(all.windows.contains(QStringLiteral("frame Quorvane Settings")));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// A reader already running while Settings, the Resize Image sheet and Recognized Text are built is
// told each combo box's name as each item comes in: it hears the label ("Format"), never an item
// ("PNG"), which it would otherwise keep as the name.
TEST_F(ScreenReader, HearsEachComboBoxNamedByItsLabelWhileItsWindowIsBuilt) {
    Program quorvane;
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());
    editor();
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    openImage(quorvane, placePicture(quorvane, picture, "picture.png"), picture.size());

    FocusFollower reader(quorvane);
    ASSERT_TRUE(reader.listening());
    activate(editor());
    press(QStringLiteral("ctrl+alt+i"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Resize Image$")).has_value());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Resize Image$")));
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Recognized Text$")).has_value());
    activate(editor());
    press(QStringLiteral("ctrl+comma"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane Settings$")).has_value());

    const QStringList labels{QStringLiteral("Resampling"), QStringLiteral("Language"),
                             QStringLiteral("After capture"), QStringLiteral("Format")};
    const QRegularExpression comboBox(QStringLiteral("^combo box\t"));
    const auto heard = [&] { return reader.named().filter(comboBox).replaceInStrings(comboBox, QString()); };
    const auto heardAll = [&] {
        const QStringList names = heard();
        return std::all_of(labels.begin(), labels.end(),
                           [&](const QString& label) { return names.contains(label); });
    };
    // The labels come last, after whatever each box was told while it was filled.
    EXPECT_TRUE(test::waitUntil(heardAll, 20000)) << heard().join(u'\n').toStdString();
    reader.stop();
    const QStringList names = heard();
    for (const QString& name : names)
        EXPECT_TRUE(labels.contains(name)) << "a combo box named " << name.toStdString();
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Where the editor has no sheet open: a recognition of a few lines of another program's text, the
// tray's menu walked with the arrow keys, a text typed in place, the Save button's menu, the colour
// well and the text size menu by keys alone, Capture a Window and About. The reader meets every
// window as a window with a short name, reads the recognized text through the text area, not as its
// name, hears each tray item by its title with its key as the shortcut, hears a control's new value
// as the keyboard comes back to it, and meets nothing unnamed.
TEST_F(ScreenReader, MeetsTheTypedTextThePickerAboutRecognizedTextAndTheTrayMenuByShortNames) {
    const QStringList lines{
        QStringLiteral("Harbour lights glow softly"), QStringLiteral("over the quiet meadow lane"),
        QStringLiteral("where evening ferries wait"), QStringLiteral("for travellers coming home")};
    ASSERT_TRUE(desktop.showTextWindow(lines, {60, 80, 620, 0}));
    const auto terminal = window(QStringLiteral("still-"));
    ASSERT_TRUE(terminal.has_value());
    Program quorvane;
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());
    editor();

    // Recognized Text of the four lines: the area picker, then the window.
    const qsizetype since = quorvane.mark();
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Recognize Text/QR")));
    ASSERT_TRUE(waitForAreaPicker());
    EXPECT_EQ(faults(walk(quorvane)), "") << "the area picker";
    const QRect text = terminal->geometry;
    drag(text.topLeft() + QPoint(2, 2), text.bottomRight() - QPoint(2, 2), 16);
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("OCR applied: 4 lines"), since))
        << quorvane.log().toStdString();
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Recognized Text$")).has_value());
    const ScreenReaderView recognized = walk(quorvane);
    EXPECT_EQ(faults(recognized), "") << "Recognized Text";
    EXPECT_TRUE(recognized.windows.contains(QStringLiteral("frame Recognized Text")));

    // The tray's menu, item by item with the Down key until each capture has been heard (the
    // reader hears nothing until the program knows that it listens).
    {
        FocusFollower reader(quorvane);
        ASSERT_TRUE(reader.listening());
        ASSERT_FALSE(openTrayMenu().empty());
        const std::map<QString, QString> keys{
            {QStringLiteral("Capture Area"), QStringLiteral("Ctrl+Alt+Super+4")},
            {QStringLiteral("Capture Screen"), QStringLiteral("Ctrl+Alt+Super+3")},
            {QStringLiteral("Scrolling Capture"), QStringLiteral("Ctrl+Alt+Super+L")},
            {QStringLiteral("Recognize Text/QR"), QStringLiteral("Ctrl+Alt+Super+O")}};
        const auto heardAll = [&] {
            const QStringList heard = reader.focused();
            return std::all_of(keys.begin(), keys.end(), [&](const auto& item) {
                return std::any_of(heard.begin(), heard.end(), [&](const QString& line) {
                    return line.section(u'\t', 1, 1).startsWith(item.first);
                });
            });
        };
        for (int presses = 0; presses < 60 && !heardAll(); ++presses) {
            const qsizetype before = reader.focused().size();
            press(QStringLiteral("Down"));
            test::waitUntil([&] { return reader.focused().size() > before; }, 2000);
        }
        closeMenus();
        const QStringList heard = reader.focused();
        const QStringList met = reader.stop();
        EXPECT_TRUE(heardAll()) << heard.join(u'\n').toStdString();
        EXPECT_EQ(met.join(u'\n').toStdString(), "") << "the tray's menu";
        // "<role> <name> <shortcut>": the key is the shortcut, not a part of the name.
        for (const auto& [title, key] : keys)
            EXPECT_TRUE(heard.contains(QStringList{QStringLiteral("menu item"), title, key}.join(u'\t')))
                << title.toStdString() << " in:\n"
                << heard.join(u'\n').toStdString();
    }

    // A text typed in place on a picture.
    QImage picture(640, 400, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const Window shown = openImage(quorvane, placePicture(quorvane, picture, "picture.png"), picture.size());
    press(QStringLiteral("t"));
    click(shown.geometry.center());
    type(QStringLiteral("Harbour"));
    const ScreenReaderView typing = walkUntil(quorvane, [](const ScreenReaderView& view) {
        return !view.focused.filter(QRegularExpression(QStringLiteral("^text "))).isEmpty();
    });
    EXPECT_EQ(typing.focused.filter(QRegularExpression(QStringLiteral("^text "))).join(u'\n').toStdString(),
              "text Text annotation");
    EXPECT_EQ(faults(typing), "") << "a text typed in place";
    press(QStringLiteral("Escape"));

    // The Save button's menu, opened with its arrow just right of the title, and its item
    // reached with the Down key.
    const Window window = editor();
    const QRect statusBar(window.geometry.left(), window.geometry.bottom() - 40, window.geometry.width(), 41);
    std::optional<TextLine> save;
    test::waitUntil([&] {
        const QImage bar = grab(statusBar);
        for (const Layout layout : {Layout::sparse, Layout::line})
            for (const TextLine& word : words(bar, statusBar.topLeft(), layout, true))
                if (readsLike(QStringLiteral("Save"), word.text)) save = word;
        return save.has_value();
    });
    ASSERT_TRUE(save.has_value()) << "no Save button";
    {
        FocusFollower reader(quorvane);
        ASSERT_TRUE(reader.listening());
        for (const int right : {20, 16, 24}) {
            click(QPoint(save->box.right() + right, save->box.center().y()));
            if (test::waitUntil([] { return isMenuOpen(); }, 2000)) break;
        }
        ASSERT_TRUE(isMenuOpen()) << "the Save button's menu did not open";
        const auto saveAs = [&] {
            return !reader.focused().filter(QStringLiteral("Save Image As")).isEmpty();
        };
        for (int presses = 0; presses < 20 && !saveAs(); ++presses) {
            press(QStringLiteral("Down"));
            test::waitUntil(saveAs, 2000);
        }
        closeMenus();
        const QStringList heard = reader.focused();
        EXPECT_TRUE(saveAs()) << heard.join(u'\n').toStdString();
        EXPECT_EQ(reader.stop().join(u'\n').toStdString(), "") << "the Save button's menu";
    }

    // The Save button through the reader: its menu, then a press that saves. Each call returns at
    // once; the menu opens, and the image saves, after it.
    const QString saveButton = QStringLiteral("^Save Image$");
    ASSERT_EQ(readerPress(quorvane, saveButton, QStringLiteral("menu")), 0) << "show-menu";
    EXPECT_TRUE(test::waitUntil([] { return isMenuOpen(); }, 5000)) << "the menu did not open";
    closeMenus();
    qsizetype saves = quorvane.mark();
    ASSERT_EQ(readerPress(quorvane, saveButton, QStringLiteral("press")), 0) << "press";
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Saved "), saves)) << quorvane.log().toStdString();

    // The colour popover of the editor in front, its swatches met through the focus.
    activate(editor());
    {
        FocusFollower reader(quorvane);
        ASSERT_TRUE(reader.listening());
        ASSERT_EQ(readerPress(quorvane, QStringLiteral("^Annotation color$"), QStringLiteral("press")), 0);
        const auto heard = [&](const QString& swatch) {
            const QStringList focused = reader.focused();
            return std::any_of(focused.begin(), focused.end(),
                               [&](const QString& line) { return line.section(u'\t', 1, 1) == swatch; });
        };
        ASSERT_TRUE(test::waitUntil([] { return isMenuOpen(); }, 10000)) << "the popover did not open";
        for (int presses = 0; presses < 4 && !heard(QStringLiteral("Orange")); ++presses) {
            press(QStringLiteral("Tab"));
            test::waitUntil([&] { return heard(QStringLiteral("Orange")); }, 2000);
        }
        const QStringList focused = reader.focused();
        press(QStringLiteral("Escape"));
        EXPECT_TRUE(heard(QStringLiteral("Orange"))) << focused.join(u'\n').toStdString();
        EXPECT_EQ(reader.stop().join(u'\n').toStdString(), "") << "the colour popover";
    }

    // The colour well by keys alone: Tab to it, Space opens the popover on the current colour, an
    // arrow and Return choose the next; back on the well, the reader says the new colour.
    {
        FocusFollower reader(quorvane);
        ASSERT_TRUE(reader.listening());
        const auto said = [&](const QString& line) { return reader.described().contains(line); };
        const QString well = QStringLiteral("push button\tAnnotation color\t");
        for (int presses = 0; presses < 50 && !said(well + QStringLiteral("Red")); ++presses) {
            const qsizetype before = reader.described().size();
            press(QStringLiteral("Tab"));
            test::waitUntil([&] { return reader.described().size() > before; }, 2000);
        }
        ASSERT_TRUE(said(well + QStringLiteral("Red"))) << reader.described().join(u'\n').toStdString();
        press(QStringLiteral("space"));
        EXPECT_TRUE(test::waitUntil([&] { return said(QStringLiteral("push button\tRed\t")); }, 10000))
            << "the popover did not take the keyboard on the current colour";
        press(QStringLiteral("Right"));
        EXPECT_TRUE(test::waitUntil([&] { return said(QStringLiteral("push button\tOrange\t")); }, 10000));
        press(QStringLiteral("Return"));
        EXPECT_TRUE(test::waitUntil([&] { return said(well + QStringLiteral("Orange")); }, 10000))
            << reader.described().join(u'\n').toStdString();
        // The text size menu beside it (the Text tool is on): Down opens it on its first item, Down
        // three times more and Return choose 24 points; the keyboard comes back before the item
        // acts, and the reader hears the new size all the same.
        const QString size = QStringLiteral("push button\tText size\t");
        press(QStringLiteral("Tab"));
        ASSERT_TRUE(test::waitUntil([&] { return said(size + QStringLiteral("18 points")); }, 10000))
            << reader.described().join(u'\n').toStdString();
        press(QStringLiteral("Down"));
        ASSERT_TRUE(test::waitUntil([] { return isMenuOpen(); }, 10000)) << "Down did not open the menu";
        for (const char* item : {"12 pt", "14 pt", "18 pt", "24 pt"}) {
            if (QString::fromLatin1(item) != QStringLiteral("12 pt")) press(QStringLiteral("Down"));
            // A menu item of any kind (a radio item here).
            const QRegularExpression heard(QStringLiteral("menu item\t%1\t").arg(QString::fromLatin1(item)));
            EXPECT_TRUE(test::waitUntil([&] { return !reader.described().filter(heard).isEmpty(); }, 10000))
                << item;
        }
        press(QStringLiteral("Return"));
        EXPECT_TRUE(test::waitUntil([&] { return said(size + QStringLiteral("24 points")); }, 10000))
            << reader.described().join(u'\n').toStdString();
        EXPECT_EQ(reader.stop().join(u'\n').toStdString(), "") << "the colour well by keys";
    }

    // Capture a Window once it lists the other program's window, then About.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Capture Window")));
    const auto pickerWindow = waitForWindow(QStringLiteral("^Capture a Window$"));
    ASSERT_TRUE(pickerWindow.has_value());
    EXPECT_TRUE(test::waitUntil(
        [&] {
            return findText(readScreen(pickerWindow->geometry, Layout::sparse), QStringLiteral("still-1"))
                .has_value();
        },
        10000))
        << "the picker did not list the other program's window";
    const ScreenReaderView picker = walkUntil(quorvane, [](const ScreenReaderView& view) {
        return hasWindow(view, QStringLiteral("Capture a Window"));
    });
    EXPECT_EQ(faults(picker), "") << "Capture a Window";
    // The keyboard rests on a row, which the reader reaches there, named for its window.
    const QRegularExpression row(QStringLiteral("^push button Capture .*still-1"));
    const ScreenReaderView onRow = walkUntil(
        quorvane, [&](const ScreenReaderView& view) { return !view.focused.filter(row).isEmpty(); });
    EXPECT_FALSE(onRow.focused.filter(row).isEmpty()) << onRow.focused.join(u'\n').toStdString();
    // Save pressed, and the File menu asked for, under the sheet do what a click there does:
    // nothing (the reader's next call is answered after them). Pressed again once the sheet has
    // closed, Save saves once.
    const QString fileTitle = QStringLiteral("^File$");
    const QString saveItem = QStringLiteral("^File/Save Image$");
    saves = quorvane.mark();
    EXPECT_EQ(readerPress(quorvane, saveButton, QStringLiteral("press")), 0) << "under the sheet";
    EXPECT_EQ(readerPress(quorvane, fileTitle, QStringLiteral("menu")), 0) << "under the sheet";
    EXPECT_EQ(readerPress(quorvane, fileTitle, QStringLiteral("extents")), 0);
    EXPECT_FALSE(isMenuOpen()) << "a menu under the sheet";
    closeMenus();
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Capture a Window$")));
    ASSERT_EQ(readerPress(quorvane, saveButton, QStringLiteral("press")), 0) << "press";
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Saved "), saves)) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Saved "), saves), 1) << "a save under the sheet";

    // The same under the area picker, which holds every click: neither a save nor a menu (the
    // reader's next call is answered after them). Once Escape has ended it, one press saves once.
    const auto pressAndMenu = [&](ReaderFinds finds) {
        for (const char* what : {"press", "menu", "extents"})
            EXPECT_EQ(readerButton(quorvane, saveButton, QString::fromLatin1(what), finds).exitCode, 0)
                << what;
    };
    // Copy pressed now is logged after whatever they saved.
    const auto savedBeforeCopy = [&](qsizetype from) {
        EXPECT_EQ(readerPress(quorvane, QStringLiteral("^Copy Image$"), QStringLiteral("press")), 0);
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), from)) << quorvane.log().toStdString();
        return quorvane.countLog(QStringLiteral("Saved "), from);
    };
    const auto savesOnce = [&] {
        const qsizetype pressed = quorvane.mark();
        ASSERT_EQ(readerPress(quorvane, saveButton, QStringLiteral("press")), 0) << "press";
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Saved "), pressed)) << quorvane.log().toStdString();
    };
    saves = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(waitForAreaPicker());
    pressAndMenu(ReaderFinds::showing);
    EXPECT_FALSE(isMenuOpen()) << "a menu over the picker";
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(test::waitUntil([] { return !isAreaPickerOpen(); }, 10000)) << "the picker did not end";
    EXPECT_EQ(savedBeforeCopy(saves), 0) << "a save under the picker";
    savesOnce();

    // And in the closed editor, whose Save button, File title and File ▸ Save Image the reader
    // kept; the editor brought back (Ctrl+N in Recognized Text) saves once.
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    saves = quorvane.mark();
    EXPECT_EQ(readerButton(quorvane, saveItem, QStringLiteral("press"), ReaderFinds::kept).exitCode, 0);
    EXPECT_EQ(readerButton(quorvane, fileTitle, QStringLiteral("menu"), ReaderFinds::kept).exitCode, 0);
    pressAndMenu(ReaderFinds::kept);
    EXPECT_FALSE(isMenuOpen()) << "a menu of the closed editor";
    closeMenus();
    const auto other = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(other.has_value());
    activate(*other);
    press(QStringLiteral("ctrl+n"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value()) << "the editor did not come back";
    EXPECT_EQ(savedBeforeCopy(saves), 0) << "a save in the closed editor";
    savesOnce();
    // Save Image pressed in the File menu a person opened saves once, and the menu closes.
    ASSERT_FALSE(openMenu(editor(), QStringLiteral("File")).empty());
    saves = quorvane.mark();
    ASSERT_EQ(readerPress(quorvane, saveItem, QStringLiteral("press")), 0) << "File ▸ Save Image";
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Saved "), saves)) << quorvane.log().toStdString();
    EXPECT_TRUE(test::waitUntil([] { return !isMenuOpen(); }, 5000)) << "the File menu stayed open";
    EXPECT_EQ(savedBeforeCopy(saves), 1) << "File ▸ Save Image";
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Quorvane"), QStringLiteral("About Quorvane")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^About Quorvane$")).has_value());
    EXPECT_EQ(faults(walk(quorvane)), "") << "About";
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^About Quorvane$")));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// A scrolling capture: the overlay over the screen while the area is dragged out, then the
// outline around the area and the panel. Each is a window with its title to the reader, and
// nothing in them is unnamed.
TEST_F(ScreenReader, MeetsTheScrollingCapturesOverlayOutlineAndPanelAsWindows) {
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A page of another program"), {80, 120, 500, 400}));
    const auto page = window(QStringLiteral("still-"));
    ASSERT_TRUE(page.has_value());
    Program quorvane;
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));

    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+l"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Drag scroll selection started"), since))
        << quorvane.log().toStdString();
    const QString hint = QStringLiteral("Drag over the area");
    const ScreenReaderView selecting = walkUntil(
        quorvane, [&](const ScreenReaderView& view) { return !view.windows.filter(hint).isEmpty(); });
    EXPECT_EQ(faults(selecting), "") << "the overlay";
    EXPECT_EQ(
        selecting.windows.filter(hint).filter(QRegularExpression(QStringLiteral("^(frame|window) "))).size(),
        1)
        << selecting.windows.join(u'\n').toStdString();

    const QRect r = page->geometry;
    drag(r.topLeft(), r.bottomRight());
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Scrolling Capture$")).has_value())
        << quorvane.log().toStdString();
    const ScreenReaderView capturing = walkUntil(quorvane, [](const ScreenReaderView& view) {
        return hasWindow(view, QStringLiteral("Scrolling Capture")) &&
               hasWindow(view, QStringLiteral("Scrolling Capture Area"));
    });
    EXPECT_EQ(faults(capturing), "") << "the outline and the panel";
    const QStringList windows =
        capturing.windows.filter(QRegularExpression(QStringLiteral("^(frame|window) ")));
    EXPECT_TRUE(windows.contains(QStringLiteral("frame Scrolling Capture")) ||
                windows.contains(QStringLiteral("window Scrolling Capture")))
        << capturing.windows.join(u'\n').toStdString();
    EXPECT_EQ(windows.filter(QStringLiteral(" Scrolling Capture Area")).size(), 4)
        << capturing.windows.join(u'\n').toStdString();
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Scrolling Capture$")));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
