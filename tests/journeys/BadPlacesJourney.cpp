// The program where things are not as they should be: settings that cannot be written, a save
// folder that is a file, no tray, no window manager, the display going away. It keeps working
// where it can, says what went wrong, and loses nothing.

#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/JourneyTest.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <set>

namespace quorvane::journey {
namespace {

class BadPlaces : public JourneyTest {};

TEST_F(BadPlaces, UnwritableSettingsAndASaveFolderThatIsAFile) {
    Program quorvane;
    // The settings folder is a file (nothing can be read or written there, so the defaults hold:
    // the save folder is ~/Pictures, which is a file too).
    const auto pictures = quorvane.folder("Pictures");
    std::filesystem::remove_all(pictures);
    std::ofstream(pictures) << "not a folder";
    const auto settings = quorvane.folder("config/com.quorvane.Quorvane");
    std::filesystem::remove_all(settings);
    std::ofstream(settings) << "not a folder";
    ASSERT_TRUE(quorvane.start());

    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Settings file unusable")));
    // The hot keys are there once the program shows its window.
    editor();
    // A capture that cannot be saved stays in the editor.
    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since));
    activate(editor());
    press(QStringLiteral("ctrl+s"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Export failed"), since)) << quorvane.log().toStdString();
    const auto window = waitForWindow(QStringLiteral("^Quorvane$"));
    ASSERT_TRUE(window.has_value());

    // Choosing a good folder works for this run even though the setting cannot be stored.
    const QString good = QString::fromStdString(quorvane.folder("Saved").string());
    QDir().mkpath(good);
    ASSERT_TRUE(chooseMenuItem(*window, QStringLiteral("File"), QStringLiteral("Choose Save Folder")))
        << quorvane.log().toStdString();
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Choose Save Folder$")).has_value());
    press(QStringLiteral("ctrl+a"));
    type(good);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Choose Save Folder$")));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Settings not saved"), since)) << quorvane.log().toStdString();
    activate(editor());
    press(QStringLiteral("ctrl+s"));
    EXPECT_TRUE(test::waitUntil([&] { return !quorvane.savedImages(good).isEmpty(); }, 20000))
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
    // The file in the way is left as it was.
    QFile kept(QString::fromStdString(pictures.string()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("not a folder"));
}

// The save after a capture fails: the editor opens on the capture and says why, in words, where
// the person looks; nothing is saved anywhere.
TEST_F(BadPlaces, ASaveAfterACaptureThatFailsOpensTheEditorWithTheReason) {
    const test::TempDir elsewhere;
    const std::string file = (elsewhere / "a file").string(), nowhere = (elsewhere / "gone").string();
    std::ofstream(file) << "not a folder";
    std::filesystem::create_symlink(elsewhere / "missing", nowhere);
    // A light screen to capture, on which the message can be read.
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Another program"), {0, 0, 1920, 1080},
                                        QStringLiteral("white")));
    for (const auto& [folder, reason, logged] :
         {std::tuple(file, "Export failed: Not a directory.",
                     "Export failed (png): POSIX 20 (Not a directory)"),
          std::tuple(nowhere, "Export failed: No such file or directory.",
                     "Export failed (png): POSIX 2 (No such file or directory)")}) {
        SCOPED_TRACE(reason);
        Program quorvane(
            {{"postCaptureAction", "saveToFolder"}, {"saveFolder", QString::fromStdString(folder)}});
        ASSERT_TRUE(quorvane.start());
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
        // The message shows for a while only, in a window that opens where the program puts it:
        // the whole screen is watched from before the key, and read afterwards (a busy machine
        // reads slowly).
        ScreenWatch watch(grab().rect());
        const qsizetype since = quorvane.mark();
        press(QStringLiteral("ctrl+alt+super+3"));
        ASSERT_TRUE(quorvane.waitForLog(QString::fromLatin1(logged))) << quorvane.log().toStdString();
        // Where the message stands: the editor once fitted to the capture.
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Editor window fitted"), since)) << quorvane.log().toStdString();
        const auto window = waitForWindow(QStringLiteral("^Quorvane$"), 5000);
        ASSERT_TRUE(window.has_value()) << "the editor did not open";
        // The capsule stands over the bottom of the canvas, above the status bar.
        const QRect geometry = window->geometry;
        const QRect bottom(geometry.left() + geometry.width() / 4, geometry.bottom() - 250,
                           geometry.width() / 2, 200);
        QString read;
        std::set<size_t> looked;
        // The warning sign before the text may read as a letter.
        const auto shows = [&](const QImage& screen) {
            const QImage picture = screen.copy(bottom.translated(-watch.region().topLeft()));
            if (!looked.insert(qHashBits(picture.constBits(), size_t(picture.sizeInBytes()))).second) return false;
            QString text;
            for (const TextLine& line : readImage(picture, bottom.topLeft())) text += line.text + QLatin1Char('\n');
            read += text;
            return comparable(text).contains(comparable(QString::fromLatin1(reason)));
        };
        EXPECT_TRUE(watch.waitFor(shows).has_value()) << "the failure is not shown: " << read.toStdString();
        EXPECT_TRUE(quorvane.savedImages().isEmpty());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere.path()), {}), 2);
        EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
    }
}

// Settings kept in a dotfiles folder and linked into place stay there when they change; a link to
// nothing is set aside, and the settings start afresh beside it.
TEST_F(BadPlaces, SettingsLinkedFromADotfilesFolderStayThere) {
    Program quorvane;
    const auto settings = quorvane.settingsFile();
    const auto dotfiles = quorvane.folder("dotfiles") / "quorvane.json";
    std::filesystem::create_directories(dotfiles.parent_path());
    std::filesystem::rename(settings, dotfiles);
    std::filesystem::create_symlink(dotfiles, settings);
    ASSERT_TRUE(quorvane.start());
    const QString chosen = QString::fromStdString(quorvane.folder("Chosen").string());
    QDir().mkpath(chosen);
    const auto window = waitForWindow(QStringLiteral("^Quorvane$"));
    ASSERT_TRUE(window.has_value());
    ASSERT_TRUE(chooseMenuItem(*window, QStringLiteral("File"), QStringLiteral("Choose Save Folder")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Choose Save Folder$")).has_value());
    press(QStringLiteral("ctrl+a"));
    type(chosen);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Choose Save Folder$")));
    const auto stored = [&] {
        QFile file(QString::fromStdString(dotfiles.string()));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    };
    EXPECT_TRUE(test::waitUntil(
        [&] { return stored().value(QStringLiteral("saveFolder")).toString() == chosen; }, 10000))
        << quorvane.log().toStdString();
    EXPECT_TRUE(std::filesystem::is_symlink(settings)) << "the link was replaced";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();

    // The dotfiles folder is gone: the link leads nowhere.
    std::filesystem::remove_all(dotfiles.parent_path());
    Program again;
    std::filesystem::remove(again.settingsFile());
    std::filesystem::create_symlink(dotfiles, again.settingsFile());
    ASSERT_TRUE(again.start());
    EXPECT_TRUE(again.waitForLog(QStringLiteral("Settings file unusable (is a symbolic link to nothing)")))
        << again.log().toStdString();
    EXPECT_EQ(again.terminate(), 0) << again.log().toStdString();
}

TEST_F(BadPlaces, WithoutATrayOrAWindowManagerTheEditorIsTheWayIn) {
    // This journey's own desktop: the program's display has neither.
    test::XvfbServer bare;
    ASSERT_TRUE(bare.start(1280, 800));
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    quorvane.useDisplay(bare.display());
    ASSERT_TRUE(quorvane.start());
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("No system tray")));
    // The hot keys work there too.
    QString output;
    ASSERT_EQ(bare.run(QStringLiteral("xdotool"), {"key", "ctrl+alt+super+3"}, &output), 0);
    EXPECT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    // Started again, it leaves the running one alone.
    const auto second = quorvane.startAnother();
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(second->readAll()).contains(QStringLiteral("Quorvane is already running")));

    // The display goes away: the program ends with a clear message instead of hanging, and the
    // saved image is whole.
    bare.stop();
    quorvane.waitForExit(10000);
    EXPECT_FALSE(quorvane.isRunning()) << "the program hangs without its display";
    EXPECT_TRUE(quorvane.log().contains(QStringLiteral("X11 connection"))) << quorvane.log().toStdString();
    const QImage saved(quorvane.savedImages().front());
    EXPECT_EQ(saved.size(), QSize(1280, 800));
}

} // namespace
} // namespace quorvane::journey
