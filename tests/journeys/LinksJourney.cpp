// Reaching the running program from outside: a link or an image given to a second process, the
// desktop opening a quorvane:// link, a link given at start, and the links it refuses (with a
// reason in the log and a bell).

#include "export/ImageImporter.h"
#include "platform/DesktopEntry.h"
#include "platform/InstanceForwarder.h"
#include "platform/InstanceLock.h"
#include "platform/InstanceMessage.h"
#include "support/ClipboardOffer.h"
#include "support/journey/Bells.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <csignal>
#include <fstream>
#include <future>

namespace quorvane::journey {
namespace {

using namespace std::chrono_literals;

class Links : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A window of another program"), {60, 80, 520, 240}));
    }

    // A second process with these arguments: it hands them over and ends at once.
    static void forward(Program& quorvane, const QStringList& arguments, const QString& folder = {}) {
        const auto second = quorvane.startAnother(arguments, folder);
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0) << second->readAll().toStdString();
    }
    static QString picture(Program& quorvane, const QString& name, QColor color) {
        const QString path = quorvane.pictures() + QLatin1Char('/') + name;
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(color);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    static void closeEditor() {
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    }
};

TEST_F(Links, ASecondProcessHandsOverItsLinkOrImageAndTheDesktopOpensLinks) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    closeEditor();

    // A link from a script: the running program captures the screen and shows it in the editor,
    // although its own post-capture action saves.
    qsizetype since = quorvane.mark();
    forward(quorvane, {QStringLiteral("quorvane://capture/screen?then=edit")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: capture/screen"), since));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 1920x1080 px"), since));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor (one-shot)"), since));
    editor();
    EXPECT_TRUE(quorvane.savedImages().isEmpty());

    // "quorvane picture.png" in the folder of the picture: the running program opens it.
    closeEditor();
    picture(quorvane, QStringLiteral("picture.png"), QColor(40, 160, 90));
    since = quorvane.mark();
    forward(quorvane, {QStringLiteral("picture.png")}, quorvane.pictures());
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 400x300 px image"), since));
    const Window shown = editor();
    EXPECT_TRUE(test::waitUntil([&] {
        const QImage seen = grab(shown.geometry);
        return seen.pixelColor(seen.rect().center()) == QColor(40, 160, 90);
    }));

    // The desktop's own way: the entry installed in private data and settings folders, and
    // xdg-open on its generic path (no desktop environment named).
    closeEditor();
    test::TempDir data;
    std::filesystem::create_directories(data / "applications");
    std::ofstream(data / "applications" / DesktopEntry::fileName().toStdString())
        << DesktopEntry::applicationEntry(Program::path().toStdString(), ImageImporter::supportedTypes())->toStdString();
    QProcessEnvironment environment = quorvane.environment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(data.path().string()));
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XDG_SESSION_DESKTOP", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "BROWSER"})
        environment.remove(QString::fromLatin1(name));
    const auto run = [&](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAll().toStdString();
    };
    run(QStringLiteral("xdg-mime"), {"default", DesktopEntry::fileName(),
                                     "x-scheme-handler/quorvane"});
    since = quorvane.mark();
    run(QStringLiteral("xdg-open"), {"quorvane://show"});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since)) << quorvane.log().toStdString();
    editor();
    EXPECT_EQ(quorvane.terminate(), 0);
}

// Another program took the clipboard and stopped answering: nothing waits for it. The program
// starts, opens pictures handed over with and without a document open, and ends when told to.
TEST_F(Links, AClipboardHolderThatNeverAnswersHoldsNothingUp) {
    test::ClipboardOffer hung({"--type", "image/png", "--hang", "1"});
    ASSERT_TRUE(hung.ready());
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    for (const QString& name : {QStringLiteral("first.png"), QStringLiteral("second.png")}) {
        const qsizetype since = quorvane.mark();
        forward(quorvane, {picture(quorvane, name, QColor(200, 60, 40))});
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 400x300 px image"), since, test::bound(3000)))
            << name.toStdString() << "\n" << quorvane.log().toStdString();
    }
    quorvane.signal(SIGTERM);
    EXPECT_EQ(quorvane.waitForExit(test::bound(3000)), 0) << quorvane.log().toStdString();
}

// Every refusal, of a quorvane:// link or of a link of another scheme, names its case in the log,
// rings the bell and changes nothing else.
TEST_F(Links, RefusedLinksSayWhyAndRingTheBell) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Bells bells;

    // Nothing to repeat yet.
    qsizetype since = quorvane.mark();
    forward(quorvane, {QStringLiteral("quorvane://capture/repeat")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command rejected: unavailable"), since));
    EXPECT_TRUE(bells.waitFor(1));

    // The area picker is open: a capture runs.
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureArea"), since));
    ASSERT_TRUE(waitForAreaPicker());
    forward(quorvane, {QStringLiteral("quorvane://show")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command rejected: busy"), since));
    EXPECT_TRUE(bells.waitFor(2));
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture cancelled"), since)) << quorvane.log().toStdString();

    // Accepted links stand a second apart; the refused one in between does not count. A machine
    // so busy that the second link arrives a second later by the program's own clock is tried
    // again.
    bool refusedWithinASecond = false;
    for (int attempt = 0; attempt < 5 && !refusedWithinASecond; ++attempt) {
        settle(1100);
        since = quorvane.mark();
        forward(quorvane, {QStringLiteral("quorvane://show")});
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since));
        forward(quorvane, {QStringLiteral("quorvane://show")});
        ASSERT_TRUE(test::waitUntil([&] {
            return quorvane.countLog(QStringLiteral("URL command rejected: busy"), since) == 1 ||
                   quorvane.countLog(QStringLiteral("URL command: show"), since) == 2;
        }));
        refusedWithinASecond = quorvane.countLog(QStringLiteral("URL command rejected: busy"), since) == 1;
        if (!refusedWithinASecond) {
            const std::vector<QDateTime> shown = quorvane.loggedAt(QStringLiteral("URL command: show"), since);
            ASSERT_EQ(shown.size(), 2u);
            ASSERT_GE(shown[0].msecsTo(shown[1]), 1000) << "a second link within a second was accepted";
        }
    }
    ASSERT_TRUE(refusedWithinASecond) << quorvane.log().toStdString();
    QElapsedTimer sinceAccepted;
    sinceAccepted.start();
    EXPECT_TRUE(bells.waitFor(3));
    test::waitUntil([&] { return sinceAccepted.elapsed() >= 1200; });
    forward(quorvane, {QStringLiteral("quorvane://show")});
    EXPECT_TRUE(test::waitUntil([&] { return quorvane.countLog(QStringLiteral("URL command: show"), since) == 2; }));

    // Three links at once: the first acts.
    settle(1100);
    since = quorvane.mark();
    forward(quorvane, {QStringLiteral("quorvane://show"), QStringLiteral("quorvane://capture/screen"),
                       QStringLiteral("quorvane://settings")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: ignored 2 extra links"), since));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since));

    // A file among links opens the file and nothing else.
    settle(1100);
    const qsizetype fileAmongLinks = quorvane.mark();
    forward(quorvane, {QStringLiteral("quorvane://capture/screen"),
                       picture(quorvane, QStringLiteral("first.png"), QColor(120, 180, 240))});
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 400x300 px image"), fileAmongLinks));

    // Edits on the current and on the previous picture: a capture would drop one of them.
    const auto draw = [] {
        const Window window = editor();
        activate(window);
        press(QStringLiteral("r"));
        drag(window.geometry.center() - QPoint(50, 30), window.geometry.center() + QPoint(50, 30));
    };
    draw();
    since = quorvane.mark();
    forward(quorvane, {picture(quorvane, QStringLiteral("second.png"), QColor(240, 200, 120))});
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 400x300 px image"), since));
    // Handled after the links beside the first file: none of them had acted.
    EXPECT_EQ(quorvane.countLog(QStringLiteral("URL command"), fileAmongLinks), 0);
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Capture started"), fileAmongLinks), 0);
    draw();
    forward(quorvane, {QStringLiteral("quorvane://capture/screen")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command rejected: unexportedChanges"), since));
    EXPECT_TRUE(bells.waitFor(4));
    settle(1100);
    forward(quorvane, {QStringLiteral("quorvane://show")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since));
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Capture started"), since), 0);
    EXPECT_EQ(bells.count(), 4);

    // A web link given to a second start: refused in the log, with the bell, nothing opened; the
    // second start says so and fails.
    since = quorvane.mark();
    const auto web = quorvane.startAnother({QStringLiteral("https://example.com/a.png?key=private")});
    EXPECT_EQ(std::pair(web->exitStatus(), web->exitCode()), std::pair(QProcess::NormalExit, 1));
    EXPECT_TRUE(web->readAll().contains("did not open the link"));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command rejected: scheme"), since));
    EXPECT_TRUE(bells.waitFor(5));
    EXPECT_EQ(quorvane.countLog(QStringLiteral("URL command: "), since) +
                  quorvane.countLog(QStringLiteral("Imported"), since),
              0);
    // Nothing of a link's text reaches the log.
    EXPECT_FALSE(quorvane.log().contains(QStringLiteral("quorvane://")));
    EXPECT_FALSE(quorvane.log().contains(QStringLiteral("private")));
    EXPECT_EQ(quorvane.terminate(), 0);
}

// Started again while the area picker is open, the program brings the picker to the front: the
// editor does not come over it, and Escape still cancels the capture.
TEST_F(Links, ASecondStartWhileTheAreaPickerIsOpenLeavesThePickerInFront) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    closeEditor();
    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureArea"), since));
    ASSERT_TRUE(waitForAreaPicker());
    forward(quorvane, {});
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture cancelled"), since))
        << quorvane.log().toStdString();
    ASSERT_TRUE(test::waitUntil([] { return !isAreaPickerOpen(); }));
    EXPECT_FALSE(journey::window(QStringLiteral("^Quorvane$")).has_value())
        << "the editor came over the picker\n" << quorvane.log().toStdString();
    // Without a picker, a second start shows the editor.
    forward(quorvane, {});
    EXPECT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value());
    EXPECT_EQ(quorvane.terminate(), 0);
}

// Links that other processes forward while the program is still starting wait for the end of
// start-up, the latest alone: one acts, none is refused as busy, no bell rings.
TEST_F(Links, LinksForwardedWhileTheProgramStartsLeaveOnlyTheLatest) {
    Program quorvane;
    Bells bells;
    // Three later processes knock from before the program listens, as a later process does
    // while the running one starts: they reach it the moment it listens, well before it is up.
    const QString display = quorvane.environment().value(QStringLiteral("DISPLAY"));
    const auto socket = quorvane.folder("runtime") / "com.quorvane.Quorvane" /
                        InstanceLock::socketName(display.toStdString());
    std::vector<std::future<InstanceForwarder::Answer>> forwarded;
    for (const char* link : {"quorvane://show", "quorvane://settings", "quorvane://show"})
        forwarded.push_back(std::async(std::launch::async, [socket, link] {
            return InstanceForwarder::forward(socket, *InstanceMessage::encode({link}), 20s, 20s);
        }));
    ASSERT_TRUE(quorvane.start());
    for (auto& answer : forwarded) {
        ASSERT_TRUE(test::waitUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }, 30000));
        EXPECT_EQ(answer.get().outcome, InstanceForwarder::Outcome::delivered);
    }
    // A bad link after them is handled after them: once it is refused, they have all been.
    forward(quorvane, {QStringLiteral("quorvane://nonsense")});
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("URL command rejected: unknownCommand")))
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("URL command: show")) +
                  quorvane.countLog(QStringLiteral("URL command: settings")),
              1)
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("URL command rejected: busy")), 0);
    EXPECT_TRUE(bells.waitFor(1));
    EXPECT_EQ(bells.count(), 1);
    EXPECT_EQ(quorvane.terminate(), 0);
}

// Files open by the bytes of their names, whether a name is no text, holds a line break or starts
// like an option (of Qt's, too): from the command line, from a second start, as a
// "file://localhost/" link.
TEST_F(Links, FilesOpenByTheBytesOfTheirNames) {
    Program quorvane;
    const QByteArray pictures = QFile::encodeName(quorvane.pictures()) + '/';
    // Told apart by their widths.
    const std::pair<QByteArray, int> files[] = {
        {"caf\xE9.png", 401}, {"new\nline.png", 402}, {"-dash.png", 403}};
    for (const auto& [name, width] : files) {
        QImage image(width, 300, QImage::Format_RGB32);
        image.fill(QColor(40, 160, 90));
        QByteArray png;
        QBuffer buffer(&png);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
        std::ofstream((pictures + name).toStdString(), std::ios::binary) << png.toStdString();
    }
    const auto imported = [&](int width, qsizetype since) {
        return quorvane.waitForLog(QStringLiteral("Imported %1x300 px image").arg(width), since);
    };
    // The first file wins; "-display" must not take the next name for an X display.
    ASSERT_TRUE(quorvane.start({"caf\xE9.png", "-display", "-dash.png"}, quorvane.pictures()))
        << quorvane.log().toStdString();
    EXPECT_TRUE(imported(401, 0)) << quorvane.log().toStdString();
    const Window shown = editor();
    EXPECT_TRUE(test::waitUntil([&] {
        const QImage seen = grab(shown.geometry);
        return seen.pixelColor(seen.rect().center()) == QColor(40, 160, 90);
    }));
    for (const QByteArray& argument :
         {QByteArray("new\nline.png"), QByteArray("-dash.png"),
          "file://localhost" + QUrl::toPercentEncoding(pictures, "/") + "caf%E9.png"}) {
        SCOPED_TRACE(argument.toStdString());
        const qsizetype since = quorvane.mark();
        const auto second = quorvane.startAnother(QByteArrayList{argument}, quorvane.pictures());
        EXPECT_EQ(second->exitCode(), 0) << second->readAll().toStdString();
        EXPECT_TRUE(imported(argument.startsWith("new") ? 402
                             : argument.startsWith("-") ? 403
                                                        : 401,
                             since))
            << quorvane.log().mid(since).toStdString();
    }
    EXPECT_EQ(quorvane.terminate(), 0);
}

// A link given to the program as it starts waits for the end of start-up; a crash leaves a socket
// that the next start replaces; a runtime folder of another user is refused.
TEST_F(Links, ALinkAtStartWaitsAndTheSocketSurvivesACrash) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start({QStringLiteral("quorvane://capture/screen?then=edit")}));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor (one-shot)")));
    const QString log = quorvane.log();
    EXPECT_LT(log.indexOf(QStringLiteral("Launched")), log.indexOf(QStringLiteral("URL command: capture/screen")));
    editor();

    quorvane.signal(SIGKILL);
    quorvane.waitForExit();
    const auto folder = quorvane.folder("runtime") / "com.quorvane.Quorvane";
    const auto sockets = [&folder] {
        return std::count_if(std::filesystem::directory_iterator(folder), {},
                             [](const auto& entry) { return entry.path().extension() == ".socket"; });
    };
    ASSERT_EQ(sockets(), 1) << "the crash leaves its socket";
    ASSERT_TRUE(quorvane.start());
    settle(1100);
    qsizetype since = quorvane.mark();
    forward(quorvane, {QStringLiteral("quorvane://show")});
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("URL command: show"), since));
    EXPECT_EQ(quorvane.terminate(), 0);

    // Someone else's folder: neither locked nor listened in.
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove(entry.path());
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    since = quorvane.mark();
    ASSERT_TRUE(quorvane.start());
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("belongs to another user"), since));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(quorvane.terminate(), 0);
    ::chown(folder.c_str(), ::getuid(), ::getgid());
}

} // namespace
} // namespace quorvane::journey
