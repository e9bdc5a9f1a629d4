// Changing how Quorvane works and getting help with it: the settings window from its shortcut and
// from the tray, the output format, a global shortcut recorded and used, launch at login from the
// tray, a diagnostics file saved through the real dialog (and one that cannot be, or whose log
// could not be kept), and the settings shared with Quorvane on a second display.

#include "app/LaunchAtLogin.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/JourneyTest.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>

namespace quorvane::journey {
namespace {

const QString settingsTitle = QStringLiteral("^Quorvane Settings$");

class Settings : public JourneyTest {
protected:
    // The settings window, opened with Ctrl+, in the editor.
    Window openSettingsFromEditor() {
        activate(editor());
        press(QStringLiteral("ctrl+comma"));
        const auto window = waitForWindow(settingsTitle);
        EXPECT_TRUE(window.has_value()) << "Ctrl+, opened no settings window";
        return window.value_or(Window{});
    }
    // The line that reads `text` in the window, read until it does: a slow program draws its
    // form on later turns.
    static std::optional<TextLine> line(const Window& window, const QString& text) {
        std::optional<TextLine> found;
        test::waitUntil(
            [&] { return (found = findText(readScreen(window.geometry, Layout::sparse), text)).has_value(); }, 10000);
        return found;
    }
    // Whether the text in `region` is drawn dim (a disabled label).
    static bool dim(const QRect& region) {
        const QImage gray = grab(region).convertToFormat(QImage::Format_Grayscale8);
        int darkest = 255;
        for (int y = 0; y < gray.height(); ++y)
            for (int x = 0; x < gray.width(); ++x)
                darkest = std::min<int>(darkest, gray.constScanLine(y)[x]);
        return darkest > 110;
    }
    // The text on a button of the window's row at `row`: the right half of the form, with the
    // button's face made white so that only its dark text is read.
    static QString buttonText(const Window& window, const TextLine& row) {
        const QRect region(window.geometry.center().x(), row.box.top() - 6, window.geometry.right() - 20 -
                           window.geometry.center().x(), row.box.height() + 12);
        QImage face = grab(region).convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                if (face.scanLine(y)[x] > 185) face.scanLine(y)[x] = 255;
        QString text;
        for (const TextLine& read : readImage(face, region.topLeft(), Layout::line)) text += read.text;
        return text;
    }
    // JPEG from the Format box, which shows PNG.
    static void chooseJpeg(const Window& settings) {
        const auto png = line(settings, QStringLiteral("PNG"));
        ASSERT_TRUE(png.has_value());
        click(png->box.center());
        ASSERT_FALSE(openMenuItems().empty());
        press(QStringLiteral("Down"));
        press(QStringLiteral("Return"));
    }
    // Export Diagnostics… from the editor's menu: it asks where, in the settings window; the path
    // typed into the dialog and Return choose the file.
    static void exportDiagnosticsTo(const QString& path) {
        const Window editorWindow = editor();
        activate(editorWindow);
        ASSERT_TRUE(
            chooseMenuItem(editorWindow, QStringLiteral("Quorvane"), QStringLiteral("Export Diagnostics…")));
        ASSERT_TRUE(waitForWindow(settingsTitle).has_value());
        const auto dialog = waitForWindow(QStringLiteral("^Save As$"));
        ASSERT_TRUE(dialog.has_value());
        activate(*dialog);
        // Keys typed before the dialog holds the keyboard would go elsewhere.
        ASSERT_TRUE(test::waitUntil([] { return activeWindowTitle() == QStringLiteral("Save As"); }));
        press(QStringLiteral("ctrl+a"));
        type(path);
        press(QStringLiteral("Return"));
    }
    static QStringList linesOf(const std::filesystem::path& path) {
        QFile file(QString::fromStdString(path.string()));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))
                                              : QStringList();
    }
    static QJsonObject stored(const Program& program) {
        QFile file(QString::fromStdString(program.settingsFile().string()));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }
    // Dark pixels in the check mark's place: the left edge of the open menu, on the item's row.
    static int markPixels(const MenuItem& item) {
        QString ids;
        test::x11Server().run(QStringLiteral("xdotool"),
                              {"search", "--onlyvisible", "--maxdepth", "1", "--class", "quorvane"}, &ids);
        QRect menu;
        for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (const auto rect = geometry(id); rect && rect->contains(item.box.center())) menu = *rect;
        const QImage mark = grab(QRect(menu.left() + 2, item.box.top(), 26, item.box.height()));
        int dark = 0;
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x)
                dark += qGray(mark.pixel(x, y)) < 80;
        return dark;
    }
};

TEST_F(Settings, TheOutputFormatAndARecordedShortcutTakeEffectAtOnce) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Window settings = openSettingsFromEditor();

    // PNG leaves the JPEG quality dim; choosing JPEG brings it up at once.
    const auto quality = line(settings, QStringLiteral("JPEG quality"));
    ASSERT_TRUE(quality.has_value());
    const QRect qualityLabel(quality->box.left(), quality->box.top(), 80, quality->box.height());
    EXPECT_TRUE(dim(qualityLabel));
    chooseJpeg(settings);
    EXPECT_TRUE(test::waitUntil(
        [&] { return stored(quorvane).value(QStringLiteral("exportFormat")).toString() == QStringLiteral("jpeg"); }));
    EXPECT_TRUE(test::waitUntil([&] { return !dim(qualityLabel); }));

    // A new shortcut is typed into Capture Area's recorder: no capture meanwhile.
    const auto row = line(settings, QStringLiteral("Capture Area"));
    ASSERT_TRUE(row.has_value());
    EXPECT_TRUE(readsLike(QStringLiteral("Ctrl+Alt+Super+4"), buttonText(settings, *row)))
        << buttonText(settings, *row).toStdString();
    click(QPoint(settings.geometry.right() - 80, row->box.center().y()));
    EXPECT_TRUE(test::waitUntil([&] { return readsLike(QStringLiteral("Type shortcut"), buttonText(settings, *row)); }))
        << buttonText(settings, *row).toStdString();
    press(QStringLiteral("ctrl+alt+super+5"));
    EXPECT_TRUE(
        test::waitUntil([&] { return readsLike(QStringLiteral("Ctrl+Alt+Super+5"), buttonText(settings, *row)); }))
        << buttonText(settings, *row).toStdString();
    // The recorder shows the keys once it has taken them: they started nothing.
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Hotkey triggered")), 0);

    // Closed, the window gives way; the new shortcut works from anywhere, the old one no longer
    // (it was pressed first, so it would have been logged first).
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(settingsTitle));
    press(QStringLiteral("ctrl+alt+super+4"));
    press(QStringLiteral("ctrl+alt+super+5"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureArea")));
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Hotkey triggered")), 1);
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture started")));
    ASSERT_TRUE(waitForAreaPicker());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture cancelled")));

    // The tray opens the same window again, showing what was chosen.
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Settings…")));
    const auto again = waitForWindow(settingsTitle);
    ASSERT_TRUE(again.has_value());
    const auto sameRow = line(*again, QStringLiteral("Capture Area"));
    ASSERT_TRUE(sameRow.has_value());
    EXPECT_TRUE(readsLike(QStringLiteral("Ctrl+Alt+Super+5"), buttonText(*again, *sameRow)));
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(Settings, LaunchAtLoginFromTheTrayAndADiagnosticsFileForSupport) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    const auto entry = quorvane.folder("config") / "autostart/com.quorvane.Quorvane.desktop";

    // The program refuses launch at login when it runs from a temporary folder (a checkout under
    // /tmp): which case a person meets depends on where this build lives, by the program's rule.
    QStringList temporary = LaunchAtLogin::temporaryFolders();
    temporary << QString::fromStdString(quorvane.folder("runtime").string());
    const auto off = findItem(openTrayMenu(), QStringLiteral("Launch at Login"));
    ASSERT_TRUE(off.has_value());
    const bool installed = LaunchAtLogin::isInstalled(Program::path(), temporary);
    if (installed) {
        // Switched on from the tray: the desktop's autostart entry runs this program; the item
        // shows its check mark the next time the menu opens. Switched off, the entry is gone.
        ASSERT_TRUE(off->enabled);
        const int unchecked = markPixels(*off);
        closeMenus();
        ASSERT_TRUE(chooseTrayItem(QStringLiteral("Launch at Login")));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Launch at login enabled=true")));
        QFile written(QString::fromStdString(entry.string()));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains((QStringLiteral("Exec=env OMP_THREAD_LIMIT=1 ") + Program::path()).toUtf8()));
        const auto on = findItem(openTrayMenu(), QStringLiteral("Launch at Login"));
        ASSERT_TRUE(on.has_value());
        EXPECT_GT(markPixels(*on), unchecked + 10);
        closeMenus();
        ASSERT_TRUE(chooseTrayItem(QStringLiteral("Launch at Login")));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Launch at login enabled=false")));
        EXPECT_FALSE(std::filesystem::exists(entry));
    } else {
        // From a temporary folder the item is dim, and resting on it tells why.
        EXPECT_FALSE(off->enabled);
        moveMouse(QPoint(off->box.left() + 8, off->box.center().y()));
        std::optional<QRect> tip;
        ASSERT_TRUE(test::waitUntil([&] { return (tip = toolTip()).has_value(); }, 10000))
            << "no tool tip on the dim item";
        EXPECT_TRUE(test::waitUntil(
            [&] { return shows(*tip, QStringLiteral("Move Quorvane out of the temporary folder")); }, 5000));
        // Clicked anyway, it does nothing: the menu stays and, once it has closed, no entry was
        // written. Its click is handled before the Escape that follows it.
        click(QPoint(off->box.left() + 8, off->box.center().y()));
        closeMenus();
        ASSERT_TRUE(test::waitUntil([] { return !isMenuOpen(); }));
        EXPECT_EQ(quorvane.countLog(QStringLiteral("Launch at login")), 0);
        EXPECT_FALSE(std::filesystem::exists(entry));
    }

    // Export Diagnostics… asks where, in the settings window; a typed path and Return save it.
    const auto file = quorvane.folder("diagnostics.txt");
    exportDiagnosticsTo(QString::fromStdString(file.string()));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Diagnostics exported:"))) << quorvane.log().toStdString();
    const QStringList lines = linesOf(file);
    ASSERT_GT(lines.size(), 11);
    EXPECT_EQ(lines[0], QStringLiteral("Quorvane Diagnostics"));
    EXPECT_EQ(lines[7], QStringLiteral("Subsystem: com.quorvane.Quorvane"));
    EXPECT_EQ(lines[9], QStringLiteral("---"));
    EXPECT_TRUE(lines[10].endsWith(QStringLiteral(" [app] default Launched")));
    EXPECT_EQ(lines.filter(QStringLiteral("[app] default Launch at login enabled=true")).size(), installed ? 1 : 0);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[8], QStringLiteral("Entries: ") + QString::number(lines.size() - 11));
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(Settings, AnUnusableLogAndAFailedExportAreSaidWhereTheyAreSeen) {
    Program quorvane;
    const auto logFile = quorvane.folder("state") / "com.quorvane.Quorvane/log/quorvane.log";
    std::filesystem::create_directories(logFile);
    ASSERT_TRUE(quorvane.start());
    const QString said = QStringLiteral("Log store unusable: ") + QString::fromStdString(logFile.string()) +
                         QStringLiteral(" is a folder; entries go to standard error only");
    ASSERT_TRUE(quorvane.waitForLog(said)) << quorvane.log().toStdString();

    // A file in a folder that is gone: the failure shows in the settings window, which the export
    // opened at its top, above the Diagnostics section.
    exportDiagnosticsTo(QString::fromStdString((quorvane.folder("gone") / "diagnostics.txt").string()));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Diagnostics export failed: Quorvane.Diagnostics 1 (")))
        << quorvane.log().toStdString();
    const auto settings = waitForWindow(settingsTitle);
    ASSERT_TRUE(settings.has_value());
    EXPECT_TRUE(test::waitUntil(
        [&] { return shows(settings->geometry, QStringLiteral("Diagnostics export failed")); }, 20000));

    // Saved where it can be, the file says why it holds no entries; the program said it once.
    const auto file = quorvane.folder("diagnostics.txt");
    exportDiagnosticsTo(QString::fromStdString(file.string()));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Diagnostics exported:"))) << quorvane.log().toStdString();
    const QStringList lines = linesOf(file);
    ASSERT_EQ(lines.size(), 12) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[8], QStringLiteral("Entries: 0"));
    EXPECT_EQ(lines[9], said);
    EXPECT_EQ(lines[10], QStringLiteral("---"));
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Log store unusable")), 1);
    EXPECT_TRUE(std::filesystem::is_directory(logFile));
    EXPECT_EQ(quorvane.terminate(), 0);
}

// One person, two displays: Quorvane runs once on each, on the same settings. What is chosen in
// one window is taken by the other instance at once, and survives that instance's next write.
TEST_F(Settings, TheInstanceOnASecondDisplayTakesAndKeepsWhatIsChosenHere) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    test::XvfbServer second;
    ASSERT_TRUE(second.start(1024, 768));
    QProcess other;
    QProcessEnvironment environment = quorvane.environment();
    environment.insert(QStringLiteral("DISPLAY"), second.display());
    other.setProcessEnvironment(environment);
    other.setProcessChannelMode(QProcess::MergedChannels);
    QString otherLog;
    const auto otherSays = [&](const QString& text) {
        return test::waitUntil(
            [&] {
                otherLog += QString::fromUtf8(other.readAll());
                return otherLog.contains(text);
            },
            30000);
    };
    other.start(Program::path());
    ASSERT_TRUE(otherSays(QStringLiteral("Launched"))) << otherLog.toStdString();

    // Here: JPEG and "Hide editor after save".
    Window settings = openSettingsFromEditor();
    chooseJpeg(settings);
    const auto hide = line(settings, QStringLiteral("Hide editor after save"));
    ASSERT_TRUE(hide.has_value());
    click(hide->box.center());
    ASSERT_TRUE(test::waitUntil([&] { return stored(quorvane).value(QStringLiteral("hideAfterSave")).toBool(); }));

    // There: both are taken, and the next capture is saved as a JPEG.
    ASSERT_TRUE(otherSays(QStringLiteral("hideAfterSave"))) << otherLog.toStdString();
    EXPECT_TRUE(otherLog.contains(QStringLiteral("exportFormat"))) << otherLog.toStdString();
    ASSERT_EQ(second.run(QStringLiteral("xdotool"), {"key", "ctrl+alt+super+3"}), 0);
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << otherLog.toStdString();
    EXPECT_TRUE(quorvane.savedImages().front().endsWith(QStringLiteral(".jpg")));

    // Its save is remembered in the settings, next to what was chosen here.
    ASSERT_TRUE(test::waitUntil([&] { return stored(quorvane).contains(QStringLiteral("lastExport")); }));
    const QJsonObject kept = stored(quorvane);
    EXPECT_EQ(kept.value(QStringLiteral("exportFormat")).toString(), QStringLiteral("jpeg"));
    EXPECT_TRUE(kept.value(QStringLiteral("hideAfterSave")).toBool());
    ::kill(static_cast<pid_t>(other.processId()), SIGTERM);
    EXPECT_TRUE(other.waitForFinished(test::bound(20000)));
    EXPECT_EQ(quorvane.terminate(), 0);
}

} // namespace
} // namespace quorvane::journey
