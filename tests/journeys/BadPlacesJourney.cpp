// The program where things are not as they should be: settings that cannot be written, a save
// folder that is a file, no tray, no window manager, the display going away. It keeps working
// where it can, says what went wrong, and loses nothing.

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/JourneyTest.h"

#include <QDir>
#include <QFile>
#include <fstream>

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
    // A capture that cannot be saved stays in the editor.
    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since));
    settle(600);
    activate(editor());
    press(QStringLiteral("ctrl+s"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Export failed"), since)) << quorvane.log().toStdString();
    const auto window = waitForWindow(QStringLiteral("^Quorvane$"));
    ASSERT_TRUE(window.has_value());

    // Choosing a good folder works for this run even though the setting cannot be stored.
    const QString good = QString::fromStdString(quorvane.folder("Saved").string());
    QDir().mkpath(good);
    ASSERT_TRUE(chooseMenuItem(*window, QStringLiteral("File"), QStringLiteral("Choose Save Folder")));
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
