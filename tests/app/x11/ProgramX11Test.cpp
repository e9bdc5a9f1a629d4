// The program as a user runs it: a separate process on a private X server with openbox.

#include "app/DropZones.h"
#include "support/ClipboardOffer.h"
#include "support/DropFlood.h"
#include "support/ImageCompare.h"
#include "support/PointerGrab.h"
#include "support/SteadyScreen.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "support/WindowPings.h"
#include "support/X11Selection.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::TempDir;

// A picture of `size` in one colour, saved as `name` in `dir`; its path.
QString savedPicture(const TempDir& dir, const char* name, QSize size, Qt::GlobalColor colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    const QString path = QString::fromStdString((dir / name).string());
    return picture.save(path) ? path : QString();
}

// A file `name` in `dir` holding `bytes`; its path.
QString savedFile(const TempDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = QString::fromStdString((dir / name).string());
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? path : QString();
}

// A file `name` in `dir` holding the link to `file`, as a drag source or a clipboard offers it.
QString linkFile(const TempDir& dir, const char* name, const QString& file) {
    return savedFile(dir, name, QUrl::fromLocalFile(file).toEncoded() + "\r\n");
}

// Private settings, state, cache, runtime and Pictures folders, and the program started on them.
class ProgramFolders {
public:
    ProgramFolders() {
        for (const char* name : {"config/com.quorvane.Quorvane", "state", "cache", "runtime", "Pictures"})
            std::filesystem::create_directories(dir_ / name);
        std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
        std::ofstream(dir_ / "config/com.quorvane.Quorvane/settings.json")
            << R"({"postCaptureAction": "saveToFolder", "saveFolder": ")" << pictures().toStdString()
            << R"("})";
    }

    QString pictures() const { return QString::fromStdString((dir_ / "Pictures").string()); }
    std::filesystem::path dragFolder() const { return dir_ / "cache/com.quorvane.Quorvane/Quorvane Drag"; }

    // Where the descriptor watch notes what reaches the program on its X connections.
    QString descriptorLog() const { return QString::fromStdString((dir_ / "descriptors").string()); }

    // On `display`; an empty one leaves DISPLAY unset. Watched, with the descriptor watch preloaded.
    enum class Descriptors { unwatched, watched };
    std::unique_ptr<QProcess> start(const QString& display = test::x11Server().display(),
                                    Descriptors descriptors = Descriptors::unwatched) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (descriptors == Descriptors::watched) {
            environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QUORVANE_DESCRIPTOR_WATCH));
            environment.insert(QStringLiteral("QUORVANE_DESCRIPTOR_LOG"), descriptorLog());
            // The sanitizers' runtime then comes second, which they accept when told.
            environment.insert(QStringLiteral("ASAN_OPTIONS"),
                               environment.value(QStringLiteral("ASAN_OPTIONS")) +
                                   QStringLiteral(":verify_asan_link_order=0"));
        }
        for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                           {"XDG_STATE_HOME", "state"},
                                           {"XDG_CACHE_HOME", "cache"},
                                           {"XDG_RUNTIME_DIR", "runtime"}})
            environment.insert(QString::fromLatin1(name), QString::fromStdString((dir_ / folder).string()));
        if (display.isEmpty())
            environment.remove(QStringLiteral("DISPLAY"));
        else
            environment.insert(QStringLiteral("DISPLAY"), display);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(QUORVANE_PROGRAM), {});
        return process;
    }

private:
    TempDir dir_;
};

// Reads what the process wrote so far; waits for `text` in it, `times` times.
bool waitForOutput(QProcess& process, QString& output, const QString& text, int milliseconds = 20000,
                   qsizetype times = 1) {
    return test::waitUntil(
        [&] {
            process.waitForReadyRead(10);
            output += QString::fromUtf8(process.readAll());
            return output.count(text) >= times;
        },
        milliseconds);
}

class ProgramX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(test::x11Server().startWindowManager()); }

    // Static windows of another program: nothing on the screen changes by itself.
    void showStillWindows() {
        for (const QStringList& arguments :
             {QStringList{"-geometry", "420x160+60+60", "First window"},
              QStringList{"-geometry", "300x220+600+300", "-bg", "lightyellow", "Second window"}}) {
            windows_.push_back(std::make_unique<QProcess>());
            windows_.back()->start(QStringLiteral("xmessage"), arguments);
            ASSERT_TRUE(windows_.back()->waitForStarted());
        }
        ASSERT_TRUE(test::waitUntil(
            [] {
                QString list;
                test::xdotool(QStringLiteral("search --onlyvisible --class Xmessage"), &list);
                return list.trimmed().split(QLatin1Char('\n')).size() == 2;
            },
            10000));
        // openbox decorates and places them on its next turns, and they draw themselves.
        test::steadyScreen();
    }

    static QString visibleEditor() {
        QString ids;
        test::xdotool(QStringLiteral("search --onlyvisible --name ^Quorvane$"), &ids);
        // The tray icon carries the same name: the editor is the big one.
        for (const QString& candidate : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            QString geometry;
            test::xdotool(QStringLiteral("getwindowgeometry ") + candidate, &geometry);
            if (geometry.section(QStringLiteral("Geometry: "), 1).section(QLatin1Char('x'), 0, 0).toInt() >=
                200)
                return candidate;
        }
        return QString();
    }

    // Waits until `program` has launched and its editor, window `id`, takes drops.
    static void waitForEditor(QProcess& program, QString& output, QString& id) {
        ASSERT_TRUE(waitForOutput(program, output, QStringLiteral("Launched"))) << output.toStdString();
        ASSERT_TRUE(test::waitUntil([&] { return !(id = visibleEditor()).isEmpty(); }, 20000));
        ASSERT_TRUE(test::waitUntil([&] { return test::dropProxyOf(id.toUInt()) != 0; }));
    }

    // The middle of the window `id` on the screen.
    static QPoint middleOf(const QString& id) {
        QString shape;
        test::xdotool(QStringLiteral("getwindowgeometry --shell ") + id, &shape);
        const auto number = [&](const char* name) {
            return shape.section(QLatin1String(name) + QLatin1Char('='), 1)
                .section(QLatin1Char('\n'), 0, 0)
                .toInt();
        };
        return {number("X") + number("WIDTH") / 2, number("Y") + number("HEIGHT") / 2};
    }

    // Through the window manager, as a user closes it. Under load the window manager can still be
    // handing the focus over when the key arrives; the user then presses it again.
    static void closeEditor() {
        QString id;
        ASSERT_TRUE(test::waitUntil([&] { return !(id = visibleEditor()).isEmpty(); }, 20000));
        bool closed = false;
        for (int attempt = 0; attempt < 5 && !closed; ++attempt) {
            if ((id = visibleEditor()).isEmpty()) break;
            test::xdotool(QStringLiteral("windowactivate --sync ") + id);
            test::xdotool(QStringLiteral("key alt+F4"));
            closed = test::waitUntil([] { return visibleEditor().isEmpty(); }, 4000);
        }
        ASSERT_TRUE(test::waitUntil([] { return visibleEditor().isEmpty(); }, 1000));
    }

    // Ends `program` with SIGTERM and expects the normal teardown.
    static void terminate(QProcess& program) {
        program.terminate();
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    void TearDown() override {
        for (auto& window : windows_) {
            window->terminate();
            window->waitForFinished();
        }
    }

    std::vector<std::unique_ptr<QProcess>> windows_;
};

QString savedPng(const QString& folder) {
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    return names.isEmpty() ? QString() : folder + QLatin1Char('/') + names.first();
}

TEST_F(ProgramX11Test, CaptureScreenHotKeySavesTheScreenAndASecondInstanceChangesNothing) {
    showStillWindows();
    ProgramFolders folders;
    const auto program = folders.start();
    ASSERT_TRUE(program->waitForStarted());
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    // Bare Xvfb has no tray: the program runs without its icon.
    EXPECT_TRUE(waitForOutput(*program, output, QStringLiteral("No system tray")));

    // Start-up shows the editor; closed, it neither shows in the capture nor changes the screen
    // after the save. Closing the last window does not quit.
    closeEditor();

    // A second process leaves the first alone, and the files of its drag folder with it; it only
    // asks the first to show its editor.
    std::filesystem::create_directories(folders.dragFolder());
    std::ofstream(folders.dragFolder() / "in use.png") << "still being read";
    const auto second = folders.start();
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(second->readAll()).contains(QStringLiteral("Quorvane is already running")));
    EXPECT_TRUE(std::filesystem::exists(folders.dragFolder() / "in use.png"));
    // Other names of the same display reach the same program.
    const QString number = test::x11Server().display().mid(1);
    for (const QString& sameDisplay : {"unix:" + number, "unix:" + number + ".0", ":" + number + ".0"}) {
        const auto again = folders.start(sameDisplay);
        ASSERT_TRUE(again->waitForFinished(20000)) << sameDisplay.toStdString() << " runs a second copy";
        EXPECT_EQ(again->exitCode(), 0);
        EXPECT_TRUE(
            QString::fromUtf8(again->readAll()).contains(QStringLiteral("Quorvane is already running")));
    }
    EXPECT_EQ(program->state(), QProcess::Running);
    closeEditor();
    // The window manager hands the focus on: the screen is read once the frames have settled.
    const QImage screen = test::steadyScreen();
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+3")), 0);
    QString saved;
    ASSERT_TRUE(test::waitUntil([&] { return !(saved = savedPng(folders.pictures())).isEmpty(); }, 20000))
        << output.toStdString();
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Post-capture action: saveToFolder")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Hotkey triggered: captureScreen")));
    const QImage file(saved);
    ASSERT_FALSE(file.isNull()) << saved.toStdString();
    EXPECT_TRUE(test::imagesNear(file.convertToFormat(QImage::Format_RGB32),
                                 screen.convertToFormat(QImage::Format_RGB32), 0));

    // SIGTERM ends it through the normal teardown.
    terminate(*program);
    EXPECT_FALSE(std::filesystem::exists(folders.dragFolder() / "in use.png"));
}

// The open editor shows in the capture as it is on screen, over the other program's windows.
TEST_F(ProgramX11Test, CaptureScreenWithTheEditorOpenShowsTheEditorAsOnScreen) {
    showStillWindows();
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    ASSERT_TRUE(test::waitUntil([] { return !visibleEditor().isEmpty(); }, 20000));
    QImage screen = test::steadyScreen().convertToFormat(QImage::Format_RGB32);
    // The editor's content below its menu bar is left out of the comparison: the home view dims
    // while a capture runs. Its frame and menu bar show that the editor is in the capture.
    QString geometry;
    test::xdotool(QStringLiteral("getwindowgeometry ") + visibleEditor(), &geometry);
    const QStringList position = geometry.section(QStringLiteral("Position: "), 1)
                                     .section(QLatin1Char(' '), 0, 0)
                                     .split(QLatin1Char(','));
    const QStringList size =
        geometry.section(QStringLiteral("Geometry: "), 1).trimmed().split(QLatin1Char('x'));
    ASSERT_TRUE(position.size() == 2 && size.size() == 2) << geometry.toStdString();
    const QRect content(position[0].toInt(), position[1].toInt() + 24, size[0].toInt(), size[1].toInt() - 24);
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+3")), 0);
    QString saved;
    ASSERT_TRUE(test::waitUntil([&] { return !(saved = savedPng(folders.pictures())).isEmpty(); }, 20000))
        << output.toStdString();
    QImage file = QImage(saved).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(file.isNull()) << saved.toStdString();
    QPainter(&file).fillRect(content, Qt::black);
    QPainter(&screen).fillRect(content, Qt::black);
    EXPECT_TRUE(test::imagesNear(file, screen, 0));
    terminate(*program);
}

TEST_F(ProgramX11Test, TheTrayHoldsTheIconAndTheAreaHotKeyOpensThePicker) {
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                          "--width", "120", "--height", "24"});
    ASSERT_TRUE(tray.waitForStarted());
    // The tray is there once it owns the selection of the screen's tray.
    ASSERT_TRUE(test::waitUntil([] { return test::selectionHasOwner("_NET_SYSTEM_TRAY_S0"); }, 10000));
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    // The icon is embedded: a window of ours inside the tray's panel.
    EXPECT_TRUE(test::waitUntil(
        [] {
            QString tree;
            test::x11Server().run(QStringLiteral("xwininfo"), {"-root", "-tree"}, &tree);
            const qsizetype panel = tree.indexOf(QStringLiteral("\"panel\""));
            return panel >= 0 && tree.indexOf(QStringLiteral("(\"quorvane\" \"Quorvane\")"), panel) > panel;
        },
        10000));
    EXPECT_FALSE(output.contains(QStringLiteral("No system tray")));

    closeEditor();
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+4")), 0);
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Hotkey triggered: captureArea")))
        << output.toStdString();
    // The picker holds the keyboard once it is up.
    ASSERT_TRUE(test::waitUntil([] { return !test::pointerFree(); }, 10000));
    test::xdotool(QStringLiteral("key Escape"));
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Capture cancelled"))) << output.toStdString();
    EXPECT_EQ(program->state(), QProcess::Running);

    // Held until the picker holds the input, the hot key is let go into the picker's keyboard grab;
    // pressed again right after Escape, it is no repeat and opens the picker again.
    const QString triggered = QStringLiteral("Hotkey triggered: captureArea");
    const QString cancelled = QStringLiteral("Capture cancelled");
    ASSERT_EQ(test::xdotool(QStringLiteral("keydown ctrl+alt+super+4")), 0);
    ASSERT_TRUE(waitForOutput(*program, output, triggered, 20000, 2)) << output.toStdString();
    ASSERT_TRUE(test::waitUntil([] { return !test::pointerFree(); }, 10000));
    test::xdotool(QStringLiteral("keyup ctrl+alt+super+4 key Escape"));
    ASSERT_TRUE(waitForOutput(*program, output, cancelled, 20000, 2)) << output.toStdString();
    test::xdotool(QStringLiteral("key ctrl+alt+super+4"));
    EXPECT_TRUE(waitForOutput(*program, output, triggered, 20000, 3)) << "taken for a repeat";
    ASSERT_TRUE(test::waitUntil([] { return !test::pointerFree(); }, 10000));
    test::xdotool(QStringLiteral("key Escape"));
    ASSERT_TRUE(waitForOutput(*program, output, cancelled, 20000, 3)) << output.toStdString();
    terminate(*program);
    tray.terminate();
    tray.waitForFinished();
}

TEST_F(ProgramX11Test, TwoInstancesStartedAtOnceLeaveExactlyOneRunning) {
    ProgramFolders folders;
    const auto first = folders.start();
    const auto second = folders.start();
    ASSERT_TRUE(first->waitForStarted());
    ASSERT_TRUE(second->waitForStarted());
    QProcess* ended = nullptr;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            ended = first->state() == QProcess::NotRunning    ? first.get()
                    : second->state() == QProcess::NotRunning ? second.get()
                                                              : nullptr;
            return ended != nullptr;
        },
        20000));
    EXPECT_EQ(ended->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(ended->readAll()).contains(QStringLiteral("Quorvane is already running")));
    QProcess* running = ended == first.get() ? second.get() : first.get();
    QString output;
    ASSERT_TRUE(waitForOutput(*running, output, QStringLiteral("Launched"))) << output.toStdString();
    terminate(*running);
}

TEST_F(ProgramX11Test, SigtermRightAfterTheHotKeyLeavesNoPartialFile) {
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    closeEditor();
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+3")), 0);
    terminate(*program);
    // Whatever the signal met — the capture or the save — the folder holds only whole images.
    for (const QString& name : QDir(folders.pictures()).entryList(QDir::Files | QDir::Hidden)) {
        EXPECT_TRUE(name.endsWith(QStringLiteral(".png"))) << name.toStdString();
        EXPECT_FALSE(QImage(folders.pictures() + QLatin1Char('/') + name).isNull()) << name.toStdString();
    }
}

// When the first line containing `text` in `output` was logged, by the program's own clock.
std::optional<QDateTime> loggedAt(const QString& output, const QString& text) {
    for (const QString& line : output.split(QLatin1Char('\n')))
        if (line.contains(text))
            return QDateTime::fromString(line.section(QLatin1Char(' '), 0, 0), Qt::ISODateWithMs);
    return std::nullopt;
}

// Four programs dropping on the editor as fast as the server takes them (tens of thousands of drops
// a second, whose data never comes) leave it answering a window manager's pings and a paste within
// a second; a proper drop of a file's link afterwards opens the file. The pings stand in for the
// window manager: the server hands their answers to that alone. No descriptor reaches the program
// on its X connection meanwhile: libxcb ends a connection where one arrives behind a full read of
// queued events, as it can under a flood, and the program with it.
TEST_F(ProgramX11Test, AFloodOfDropsFromFourProgramsLeavesTheWindowAnswering) {
    test::x11Server().stopWindowManager();
    const std::unique_ptr<void, void (*)(void*)> windowManagerBack(
        this, [](void*) { test::x11Server().startWindowManager(); });
    ProgramFolders folders;
    const auto program = folders.start(test::x11Server().display(), ProgramFolders::Descriptors::watched);
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    QString id;
    ASSERT_TRUE(test::waitUntil([&] { return !(id = visibleEditor()).isEmpty(); }, 20000));
    const QPoint middle = middleOf(id);
    test::xdotool(QStringLiteral("mousemove %1 %2").arg(middle.x()).arg(middle.y()));
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    TempDir dir;
    QImage pasted(320, 200, QImage::Format_RGB32);
    pasted.fill(Qt::darkCyan);
    const QString pastedFile = QString::fromStdString((dir / "pasted.png").string());
    ASSERT_TRUE(pasted.save(pastedFile));
    ASSERT_EQ(test::x11Server().run(QStringLiteral("xclip"),
                                    {"-selection", "clipboard", "-t", "image/png", "-i", pastedFile}),
              0);
    test::WindowPings pings(id.toUInt());
    ASSERT_TRUE(pings.watching());
    ASSERT_TRUE(test::waitUntil([&] { return pings.firstAnswerAfter({}).has_value(); }, 10000));

    // Six seconds of flood, with a paste pressed in the middle.
    const auto started = test::WindowPings::Clock::now();
    test::DropFlood flood(id.toUInt(), middle.x(), middle.y(), 4);
    test::pause(3000);
    waitForOutput(*program, output, QStringLiteral("\n"), 0);
    const qsizetype since = output.size();
    const QDateTime pressed = QDateTime::currentDateTimeUtc();
    test::xdotool(QStringLiteral("key ctrl+v"));
    test::pause(std::max(0, 6000 - static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                        test::WindowPings::Clock::now() - started)
                                                        .count())));
    EXPECT_TRUE(flood.connected());
    flood.stop();
    const auto stopped = test::WindowPings::Clock::now();
    EXPECT_LE(pings.longestWait(started, stopped).count(), test::bound(1000)) << flood.drops() << " drops";
    const QString imported = QStringLiteral("Imported 320x200 px image");
    EXPECT_TRUE(waitForOutput(*program, output, imported, 60000)) << output.toStdString();
    if (const std::optional<QDateTime> landed = loggedAt(output.mid(since), imported)) {
        EXPECT_LE(pressed.msecsTo(*landed), test::bound(1000));
    }
    // The flood's last messages cost no more.
    EXPECT_TRUE(test::waitUntil([&] { return pings.firstAnswerAfter(stopped).has_value(); }, 60000));
    EXPECT_LE(pings.longestWait(stopped, test::WindowPings::Clock::now()).count(), test::bound(1000));

    // Another program drags a file's link there as it should: the file opens.
    const QString links =
        linkFile(dir, "links", savedPicture(dir, "dropped.png", {200, 150}, Qt::darkYellow));
    test::ClipboardOffer source({"--type", "text/uri-list", "--file", links, "--drag-to",
                                 QStringLiteral("%1,%2").arg(middle.x()).arg(middle.y()), "--drop", "1"});
    ASSERT_TRUE(source.ready());
    EXPECT_TRUE(source.says(QStringLiteral("status accept")));
    EXPECT_TRUE(waitForOutput(*program, output, QStringLiteral("Imported 200x150 px image")))
        << output.toStdString();
    EXPECT_TRUE(source.says(QStringLiteral("finished")));
    terminate(*program);
    QFile notes(folders.descriptorLog());
    EXPECT_FALSE(notes.exists()) << "Descriptors reached the program on its X connection:\n"
                                 << (notes.open(QIODevice::ReadOnly) ? notes.readAll().toStdString() : "");
}

// A drop the program cannot use leaves its line in the log, which never names the file, and its
// source hears a copy: a list of links over the bound before it names a picture, and a link to a
// file that is not there. A proper drop afterwards opens. A list whose source announces it longer
// than the bound is read as far as its first picture, dropped or pasted alike.
TEST_F(ProgramX11Test, ADropItCannotUseIsLoggedAndItsSourceHearsACopy) {
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Launched"))) << output.toStdString();
    QString id;
    ASSERT_TRUE(test::waitUntil([&] { return !(id = visibleEditor()).isEmpty(); }, 20000));
    const QPoint middle = middleOf(id);
    TempDir dir;
    const QString picture = savedPicture(dir, "picture.png", {200, 150}, Qt::darkYellow);
    const QString missing = QString::fromStdString((dir / "missing.png").string());
    const QString imported = QStringLiteral("Imported 200x150 px image");
    const QString announced = QString::number((17 << 20));
    const struct {
        QString list;
        QString size;
        QString logged;
    } drops[] = {
        {savedFile(dir, "long",
                   QByteArray(16 << 20, '#') + "\r\n" + QUrl::fromLocalFile(picture).toEncoded() + "\r\n"),
         {},
         QStringLiteral(
             "Import failed: Quorvane.Import 2 (Quorvane can't read this image. The data may be damaged "
             "or incomplete)")},
        {linkFile(dir, "missing", missing),
         {},
         QStringLiteral(
             "Import failed: Quorvane.Import 5 (The file isn't there. It may have been moved, renamed, "
             "or deleted)")},
        {linkFile(dir, "picture", picture), {}, imported},
        {linkFile(dir, "announced", picture), announced, imported},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.logged.toStdString());
        QStringList arguments = {"--type",    "text/uri-list",
                                 "--file",    drop.list,
                                 "--drag-to", QStringLiteral("%1,%2").arg(middle.x()).arg(middle.y()),
                                 "--drop",    "1",
                                 "--action",  "XdndActionMove"};
        if (!drop.size.isEmpty()) arguments << QStringLiteral("--size") << drop.size;
        const qsizetype before = output.count(drop.logged);
        test::ClipboardOffer source(arguments);
        ASSERT_TRUE(source.ready());
        EXPECT_TRUE(source.says(QStringLiteral("finished accepted copy"))) << source.output().toStdString();
        EXPECT_TRUE(waitForOutput(*program, output, drop.logged, 20000, before + 1)) << output.toStdString();
    }
    // Pasted, the announced list opens the same picture.
    const qsizetype opened = output.count(imported);
    test::ClipboardOffer pasted({"--type", "text/uri-list", "--file", linkFile(dir, "pasted", picture),
                                 "--size", announced, "--report", "1"});
    ASSERT_TRUE(pasted.ready());
    // Paste is offered once the program has asked what the clipboard holds.
    ASSERT_TRUE(pasted.says(QStringLiteral("request TARGETS")));
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    test::xdotool(QStringLiteral("key ctrl+v"));
    EXPECT_TRUE(waitForOutput(*program, output, imported, 20000, opened + 1)) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("Import failed")), 2);
    EXPECT_FALSE(output.contains(QStringLiteral("missing.png")) ||
                 output.contains(QStringLiteral("picture.png")))
        << output.toStdString();
    terminate(*program);
}

// A drag whose source names the window it enters as its own, sent to the editor past its proxy and
// through it, leaves the program at hand: a file dropped next opens, Ctrl+S saves it, and the area
// picker, sent the same drag, still ends on Escape.
TEST_F(ProgramX11Test, ADragNamingOurWindowAsItsSourceLeavesTheProgramAtHand) {
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    QString id;
    ASSERT_NO_FATAL_FAILURE(waitForEditor(*program, output, id));
    const QPoint middle = middleOf(id);
    test::sendEntersNamingTheirTarget(id.toUInt(), middle.x(), middle.y());
    TempDir dir;
    const QString links =
        linkFile(dir, "links", savedPicture(dir, "picture.png", {200, 150}, Qt::darkYellow));
    test::ClipboardOffer source({"--type", "text/uri-list", "--file", links, "--drag-to",
                                 QStringLiteral("%1,%2").arg(middle.x()).arg(middle.y()), "--drop", "1"});
    ASSERT_TRUE(source.ready());
    EXPECT_TRUE(source.says(QStringLiteral("finished"))) << source.output().toStdString();
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Imported 200x150 px image")))
        << output.toStdString();
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    test::xdotool(QStringLiteral("key ctrl+s"));
    EXPECT_TRUE(waitForOutput(*program, output, QStringLiteral("Saved 200x150 px"))) << output.toStdString();

    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+4")), 0);
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Hotkey triggered: captureArea")))
        << output.toStdString();
    ASSERT_TRUE(test::waitUntil([] { return !test::pointerFree(); }, 10000));
    QString under;
    test::xdotool(QStringLiteral("getmouselocation --shell"), &under);
    const std::uint32_t picker =
        under.section(QStringLiteral("WINDOW="), 1).section(QLatin1Char('\n'), 0, 0).toUInt();
    ASSERT_NE(picker, 0u) << under.toStdString();
    test::sendEntersNamingTheirTarget(picker, middle.x(), middle.y());
    test::xdotool(QStringLiteral("key Escape"));
    EXPECT_TRUE(waitForOutput(*program, output, QStringLiteral("Capture cancelled"))) << output.toStdString();
    terminate(*program);
}

// A key pressed right after a drop acts on what was dropped, however late its source serves it:
// Ctrl+S right after a picture is dropped over another saves the dropped picture.
TEST_F(ProgramX11Test, AKeyPressedRightAfterADropActsOnWhatWasDropped) {
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    QString id;
    ASSERT_NO_FATAL_FAILURE(waitForEditor(*program, output, id));
    TempDir dir;
    const QString first = savedPicture(dir, "first.png", {200, 150}, Qt::darkCyan);
    const QString second = savedPicture(dir, "second.png", {120, 90}, Qt::darkCyan);
    // The first picture is pasted, once the program has asked what the clipboard holds.
    test::ClipboardOffer pasted({"--type", "image/png", "--file", first, "--report", "1"});
    ASSERT_TRUE(pasted.ready());
    ASSERT_TRUE(pasted.says(QStringLiteral("request TARGETS")));
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    test::xdotool(QStringLiteral("key ctrl+v"));
    ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Imported 200x150 px image")))
        << output.toStdString();
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    const qsizetype since = output.size();
    // Its data comes a while after it is asked for.
    test::ClipboardOffer dropped({"--type", "image/png", "--file", second, "--incremental-above", "0",
                                  "--trickle", "300", "--drag-to",
                                  QStringLiteral("%1,%2").arg(middleOf(id).x()).arg(middleOf(id).y()),
                                  "--drop", "1", "--key-after-drop", "ctrl+s"});
    ASSERT_TRUE(dropped.ready());
    ASSERT_TRUE(dropped.says(QStringLiteral("dropped"))) << dropped.output().toStdString();
    EXPECT_TRUE(waitForOutput(*program, output, QStringLiteral("Saved 120x90 px"))) << output.toStdString();
    EXPECT_FALSE(output.mid(since).contains(QStringLiteral("Saved 200x150 px"))) << output.toStdString();
    terminate(*program);
}

// Fifty drops in a row, each served late and followed at once by a key, a click and Ctrl+S: each
// save is of the picture just dropped, with the Counter's mark the click left. The drops come as far
// apart as a person's can: closer ones are not waited for.
TEST_F(ProgramX11Test, KeysAndAClickRightAfterEachOfFiftyDropsActOnWhatWasDropped) {
    ProgramFolders folders;
    const auto program = folders.start();
    QString output;
    QString id;
    ASSERT_NO_FATAL_FAILURE(waitForEditor(*program, output, id));
    test::xdotool(QStringLiteral("windowfocus --sync ") + id);
    TempDir dir;
    QStringList saved;
    QElapsedTimer sinceDrop;
    for (int run = 0; run < 50; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        if (sinceDrop.isValid())
            test::pause(static_cast<int>(DropZones::dropsApart.count() - sinceDrop.elapsed()));
        // Unlike any other run's, and large enough to lie under the window's middle.
        const QSize size(400 + 3 * run, 300 + 2 * run);
        const QString name = QStringLiteral("%1x%2 px").arg(size.width()).arg(size.height());
        const qsizetype since = output.size();
        const qsizetype saves = output.count(QStringLiteral("Saved "));
        const QPoint middle = middleOf(id);
        // Each picture opens with the Pan tool: N picks the Counter.
        test::ClipboardOffer dropped({"--type", "image/png", "--file",
                                      savedPicture(dir, "dropped.png", size, Qt::darkCyan),
                                      "--incremental-above", "0", "--trickle", "100", "--drag-to",
                                      QStringLiteral("%1,%2").arg(middle.x()).arg(middle.y()), "--drop", "1",
                                      "--key-after-drop", "n click ctrl+s"});
        ASSERT_TRUE(dropped.ready());
        ASSERT_TRUE(waitForOutput(*program, output, QStringLiteral("Saved "), 20000, saves + 1))
            << output.mid(since).toStdString();
        // The program took the drop before it saved.
        sinceDrop.start();
        const QString said = output.mid(since);
        ASSERT_TRUE(said.contains("Imported " + name + " image") && said.contains("Saved " + name))
            << said.toStdString();
        const QStringList now = QDir(folders.pictures()).entryList({QStringLiteral("*.png")}, QDir::Files);
        ASSERT_EQ(now.size(), saved.size() + 1) << now.join(QLatin1Char(' ')).toStdString();
        const QString file =
            *std::find_if(now.begin(), now.end(), [&](const QString& each) { return !saved.contains(each); });
        saved = now;
        const QImage picture =
            QImage(folders.pictures() + QLatin1Char('/') + file).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(picture.size(), size) << file.toStdString();
        bool marked = false;
        for (int y = 0; y < picture.height() && !marked; ++y)
            for (int x = 0; x < picture.width() && !marked; ++x)
                marked = picture.pixel(x, y) != QColor(Qt::darkCyan).rgb();
        ASSERT_TRUE(marked) << file.toStdString() << " holds no mark of the click";
    }
    terminate(*program);
}

// A display that cannot be opened, or none at all, ends the program with one line saying so and
// status 1, instead of Qt's abort.
TEST_F(ProgramX11Test, AnUnreachableDisplayEndsTheProgramWithOneLine) {
    int unused = 4000;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(unused)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(unused) + "-lock"))
        ++unused;
    const QString unreachable = QStringLiteral(":%1").arg(unused);
    const QString screenless = test::x11Server().display() + QStringLiteral(".7");
    ProgramFolders folders;
    for (const auto& [display, said] :
         {std::pair{unreachable, QStringLiteral("Quorvane cannot open display \"%1\".\n").arg(unreachable)},
          std::pair{
              screenless,
              QStringLiteral("Quorvane cannot open display \"%1\": it has no screen 7.\n").arg(screenless)},
          std::pair{QString(), QStringLiteral("Quorvane needs an X11 display: DISPLAY is not set.\n")}}) {
        const auto program = folders.start(display);
        ASSERT_TRUE(program->waitForFinished(test::bound(20000)));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 1);
        EXPECT_EQ(program->readAll().toStdString(), said.toStdString());
    }
}

} // namespace
} // namespace quorvane
