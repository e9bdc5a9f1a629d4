#include "app/DropZones.h"
#include "app/TextFieldPaste.h"
#include "canvas/EditorCanvasView.h"
#include "editor_window/EditorViewRig.h"
#include "editor_window/FileDragHandle.h"
#include "editor_window/StatusBarTesting.h"
#include "platform/InputHold.h"
#include "platform/X11DropTarget.h"
#include "platform/XdndFilter.h"
#include "platform/XdndSources.h"
#include "support/ClipboardOffer.h"
#include "support/DropFlood.h"
#include "support/ImageFiles.h"
#include "support/LogLines.h"
#include "support/PeakMemory.h"
#include "support/ThreadTime.h"
#include "support/WaitUntil.h"
#include "support/WindowPings.h"
#include "support/XConnections.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QFile>
#include <QProcess>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace quorvane {
namespace {

using test::pause;
using test::waitUntil;

// The mouse path of a drag, run in the background: a drag runs a nested event loop in the
// program that started it, so nothing here may wait for xdotool while it moves.
std::unique_ptr<QProcess> dragInBackground(QPoint from, QPoint to) {
    QString script = QStringLiteral("xdotool mousemove %1 %2; sleep 0.2; xdotool mousedown 1; sleep 0.3;")
                         .arg(from.x())
                         .arg(from.y());
    for (int step = 1; step <= 12; ++step) {
        const QPoint at = from + (to - from) * step / 12;
        script += QStringLiteral(" xdotool mousemove %1 %2; sleep 0.05;").arg(at.x()).arg(at.y());
    }
    script += QStringLiteral(" sleep 0.4; xdotool mouseup 1");
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    return process;
}

std::unique_ptr<QProcess> helper(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(QUORVANE_DRAG_HELPER), arguments);
    if (!process->waitForStarted(5000)) return nullptr;
    QByteArray output;
    waitUntil(
        [&] {
            output += process->readAllStandardOutput();
            return output.contains("ready");
        },
        10000);
    return output.contains("ready") ? std::move(process) : nullptr;
}

void showAt(QWidget& window, const QRect& geometry) {
    window.setWindowFlag(Qt::BypassWindowManagerHint);
    window.setGeometry(geometry);
    window.show();
    ASSERT_TRUE(
        waitUntil([&] { return window.windowHandle() != nullptr && window.windowHandle()->isExposed(); }));
    pause(150);
}

// Other programs' drags reach the rig's view as they reach the program's: through a drop target of
// our own, which Qt's connection is kept out of.
struct DropTargetRig {
    XdndFilter filter;
    // Seconds the target's clock is ahead of the steady clock: drags fall silent without waiting.
    std::atomic<int> later{0};
    X11DropTarget target{DropZones::kinds(), nullptr, [this] {
                             return std::chrono::steady_clock::now() + std::chrono::seconds(later.load());
                         }};
    InputHold input;
    TextFieldPaste fields;
    DropZones zones{target, fields, input};

    explicit DropTargetRig(test::EditorViewRig& rig)
        : fields(rig.exports.clipboard, input, rig.exports.beeper) {}
    // Once the shown `window` names the target's proxy.
    static bool serves(QWidget& window) {
        return waitUntil([&] { return test::dropProxyOf(static_cast<std::uint32_t>(window.winId())) != 0; });
    }
    // Once the target has handed on every drag message sent before.
    bool caughtUp() {
        bool caught = false;
        const QMetaObject::Connection heard =
            QObject::connect(&target, &X11DropTarget::caughtUp, [&] { caught = true; });
        target.catchUp();
        const bool done = waitUntil([&] { return caught; });
        QObject::disconnect(heard);
        return done;
    }
};

// How long a drag source waited for its drag's first answer, as it counts it, whatever this process
// is kept busy with.
int answeredMs(test::ClipboardOffer& source) {
    return source.output().section(QStringLiteral("answered in "), 1).section(QLatin1Char(' '), 0, 0).toInt();
}

// A picture on disk and a file holding its link, as a drag source offers it.
struct DroppedPicture {
    test::TempDir dir;
    QString picture = QString::fromStdString((dir / "picture.png").string());
    QString links = QString::fromStdString((dir / "links").string());
    bool written = false;

    DroppedPicture() {
        QFile image(picture), list(links);
        written = image.open(QIODevice::WriteOnly) && list.open(QIODevice::WriteOnly) &&
                  image.write(test::pngBytes(test::gradientImage(7, 5))) > 0 &&
                  list.write(QUrl::fromLocalFile(picture).toEncoded() + "\r\n") > 0;
    }
};

TEST(DragAndDrop, AFileDraggedFromAnotherProgramOpens) {
    test::EditorViewRig rig;
    DropTargetRig drops(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(drops.serves(*rig.view));
    test::TempDir dir;
    const QString file = QString::fromStdString((dir / "dropped.png").string());
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(test::pngBytes(test::gradientImage(7, 5)));
    }
    auto source = helper({QStringLiteral("source"), QStringLiteral("20"), QStringLiteral("20"), file});
    ASSERT_NE(source, nullptr);
    auto mouse = dragInBackground(QPoint(50, 50), QPoint(600, 300));
    ASSERT_TRUE(waitUntil([&] { return rig.capture.controller->document() != nullptr; }, 15000));
    ASSERT_EQ(rig.imported.size(), 1u);
    EXPECT_EQ(rig.imported[0].toLocalFile(), file);
    EXPECT_EQ(rig.capture.controller->document()->image().size(), QSize(7, 5));
    mouse->waitForFinished(5000);
    source->kill();
    source->waitForFinished(2000);
}

struct DragOutRig : test::StatusBarRig {
    QWidget window;
    DragOutRig() {
        bar->setParent(&window);
        bar->setGeometry(0, 0, 900, EditorStatusBar::height);
        Backdrop backdrop;
        backdrop.padding = 6;
        document.setBackdrop(backdrop);
        document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 20)));
    }
    ~DragOutRig() { bar->setParent(nullptr); }
    QPoint handleCentre() const {
        FileDragHandle* handle = bar->dragHandle();
        return handle->mapToGlobal(handle->rect().center());
    }
};

TEST(DragAndDrop, TheHandleDeliversTheFinalImageToAnotherProgram) {
    DragOutRig rig;
    showAt(rig.window, QRect(100, 100, 900, 40));
    auto target = helper({QStringLiteral("target"), QStringLiteral("500"), QStringLiteral("400")});
    ASSERT_NE(target, nullptr);
    bool ended = false;
    QObject::connect(rig.bar->dragHandle(), &FileDragSource::dragEnded, [&] { ended = true; });
    auto mouse = dragInBackground(rig.handleCentre(), QPoint(600, 475));
    QByteArray output;
    ASSERT_TRUE(waitUntil(
        [&] {
            output += target->readAllStandardOutput();
            return output.contains("dropped ");
        },
        15000));
    EXPECT_TRUE(waitUntil([&] { return ended; }, 5000));
    EXPECT_EQ(rig.beeper.beeps, 0);
    const QString path = QString::fromLocal8Bit(output.mid(output.indexOf("dropped ") + 8).trimmed());
    EXPECT_TRUE(path.startsWith(rig.dragExporter.directory())) << path.toStdString();
    auto dropped = ImageImporter::image(QUrl::fromLocalFile(path));
    ASSERT_TRUE(dropped);
    auto expected = EditorDocument::renderOutput(rig.document.output(rig.document.annotations()));
    ASSERT_TRUE(expected);
    ASSERT_EQ(dropped->size(), expected->size());
    EXPECT_EQ(dropped->convertToFormat(QImage::Format_RGBA8888),
              expected->convertToFormat(QImage::Format_RGBA8888));
    mouse->waitForFinished(5000);
    target->waitForFinished(2000);
}

TEST(DragAndDrop, OurOwnDragIsNotOpenedByOurWindow) {
    test::EditorViewRig rig;
    DropTargetRig drops(rig);
    showAt(*rig.view, QRect(300, 200, 600, 400));
    ASSERT_TRUE(drops.serves(*rig.view));
    DragOutRig out;
    showAt(out.window, QRect(0, 0, 900, 40));
    bool ended = false;
    QObject::connect(out.bar->dragHandle(), &FileDragSource::dragEnded, [&] { ended = true; });
    auto mouse = dragInBackground(out.handleCentre(), QPoint(600, 400));
    ASSERT_TRUE(waitUntil([&] { return ended; }, 15000));
    mouse->waitForFinished(5000);
    rig.capture.turns();
    EXPECT_TRUE(rig.imported.empty());
    EXPECT_EQ(rig.capture.controller->document(), nullptr);
}

TEST(DragAndDrop, ADragIsJudgedByItsTypesAndReadOnlyWhenDropped) {
    test::EditorViewRig rig;
    DropTargetRig drops(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(drops.serves(*rig.view));
    test::TempDir dir;
    // 64 MiB of links dragged to and fro over the window, entering it again and again: taken by its
    // type, never read.
    const test::PeakMemory memory;
    {
        test::ClipboardOffer links({"--type", "text/uri-list", "--size", "67108864", "--report", "1",
                                    "--drag-to", "600,300", "--positions", "200", "--reenter", "20"});
        ASSERT_TRUE(links.ready());
        ASSERT_TRUE(links.says("status accept"));
        EXPECT_TRUE(waitUntil([&] { return rig.view->dropTargeted(); }));
        test::pause(test::bound(200));
        EXPECT_FALSE(links.output().contains("request")) << links.output().toStdString();
    }
    EXPECT_LT(memory.growth(), 100 << 20);

    // Image data dropped is read as a paste reads it, and opens.
    const QString picture = QString::fromStdString((dir / "dragged.png").string());
    {
        QFile out(picture);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(test::pngBytes(test::gradientImage(300, 200)));
    }
    test::ClipboardOffer image(
        {"--type", "image/png", "--file", picture, "--piece", "4096", "--drag-to", "600,300", "--drop", "1"});
    ASSERT_TRUE(image.ready());
    ASSERT_TRUE(waitUntil([&] { return rig.capture.controller->document() != nullptr; }));
    EXPECT_EQ(rig.capture.controller->document()->image().size(), QSize(300, 200));
    EXPECT_TRUE(image.says("finished"));

    // A gigabyte whose start is no picture is refused from its first bytes.
    const QString signature = QString::fromStdString((dir / "signature").string());
    {
        QFile out(signature);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("\x89PNG\r\n\x1a\n", 8);
    }
    const test::PeakMemory dropped;
    test::ClipboardOffer junk({"--type", "image/png", "--file", signature, "--size", "1073741824",
                               "--announce", "0", "--drag-to", "600,300", "--drop", "1"});
    ASSERT_TRUE(junk.ready());
    ASSERT_TRUE(waitUntil([&] { return rig.capture.controller->errorMessage().has_value(); }));
    EXPECT_EQ(*rig.capture.controller->errorMessage(), ImageImporter::ImportError::unreadable().message());
    EXPECT_LT(dropped.growth(), 16 << 20);
}

TEST(DragAndDrop, FakeDropsKeptAliveByTheirSourceHoldAFewXConnections) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const int before = test::openSockets();
    int most = before;
    bool othersConnect = true;
    const auto look = [&] {
        most = std::max(most, test::openSockets());
        othersConnect = othersConnect && test::anotherClientConnects();
    };
    // Dropped 150 times in a row, each time announcing a gigabyte and sending it a byte at a time for
    // as long as anyone listens.
    test::ClipboardOffer drops({"--type", "image/png", "--size", "1073741824", "--piece", "1", "--trickle",
                                "500", "--drag-to", "600,300", "--drops", "150"});
    ASSERT_TRUE(drops.ready());
    EXPECT_TRUE(waitUntil(
        [&] {
            look();
            return drops.output().count("finished") == 150;
        },
        60000));
    EXPECT_TRUE(waitUntil([&] {
        look();
        return rig.capture.controller->errorMessage().has_value();
    }));
    look();
    EXPECT_LE(most - before, 8);
    EXPECT_TRUE(othersConnect);
}

// Whatever another program's drag proposes, it hears that we copy what it drops, from the first
// answer to the last: a source told that its file was moved may delete it. A drop refused once read
// was taken when it came, and is told so; a drag refused by its type is told it was not.
TEST(DragAndDrop, AnotherProgramIsAlwaysToldItsDropIsCopied) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    test::TempDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = QString::fromStdString((dir / name).string());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return path;
    };
    const auto linkTo = [&](const char* name, const QString& file) {
        return write(name, QUrl::fromLocalFile(file).toEncoded() + "\r\n");
    };
    const QByteArray png = test::pngBytes(test::gradientImage(7, 5));
    const QString picturePng = write("picture.png", png);
    const QString picture = linkTo("picture", picturePng);
    const QString cutJpeg = write("cut.jpg", test::qtEncoded(test::gradientImage(40, 30), "JPEG").chopped(1));
    const QString cutPng = write("cut.png", png.chopped(1));
    const QString text = write("text", "words");
    const QString uriList = QStringLiteral("text/uri-list");
    const QString accepted = QStringLiteral("finished accepted copy");
    const QUrl missing = QUrl::fromLocalFile(QString::fromStdString((dir / "missing.png").string()));
    using ImageImporter::ImportError;
    // Each drop with the files opened so far and the message it leaves, if it is refused once read.
    const struct {
        const char* action;
        QString type;
        QString file;
        QString finished;
        std::size_t imported;
        QString refusal;
    } drops[] = {
        {"XdndActionMove", uriList, picture, accepted, 1, {}},
        {"XdndActionLink", uriList, picture, accepted, 2, {}},
        {"XdndActionAsk", uriList, picture, accepted, 3, {}},
        {"XdndActionPrivate", uriList, picture, accepted, 4, {}},
        {"none", uriList, picture, accepted, 5, {}},
        {"_QUORVANE_NO_SUCH_ACTION", uriList, picture, accepted, 6, {}},
        {"XdndActionMove",
         QStringLiteral("text/plain"),
         text,
         QStringLiteral("finished refused none"),
         6,
         {}},
        {"XdndActionMove", uriList, linkTo("cut", cutJpeg), accepted, 7,
         ImportError::unreadable().message(QUrl::fromLocalFile(cutJpeg))},
        {"XdndActionMove", QStringLiteral("image/png"), cutPng, accepted, 7,
         ImportError::unreadable().message()},
        // A list over the bound before it names a picture says what a paste of it says.
        {"XdndActionMove", uriList,
         write("long",
               QByteArray(16 << 20, '#') + "\r\n" + QUrl::fromLocalFile(picturePng).toEncoded() + "\r\n"),
         accepted, 7, ImportError::unreadable().message()},
        {"XdndActionMove", uriList, write("missing", missing.toEncoded() + "\r\n"), accepted, 8,
         ImportError::missing().message(missing)},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(std::string(drop.action) + " " + drop.type.toStdString() + " " +
                     drop.file.toStdString());
        rig.capture.controller->setErrorMessage(std::nullopt);
        test::ClipboardOffer source({"--type", drop.type, "--file", drop.file, "--drag-to", "600,300",
                                     "--drop", "1", "--action", drop.action});
        ASSERT_TRUE(source.ready());
        EXPECT_TRUE(source.says(drop.finished)) << source.output().toStdString();
        const QString status = drop.finished == accepted ? QStringLiteral("status accept copy")
                                                         : QStringLiteral("status refuse none");
        for (const QString& line : source.output().split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("status"))) {
                EXPECT_EQ(line.toStdString(), status.toStdString());
            }
        EXPECT_TRUE(waitUntil([&] { return rig.imported.size() == drop.imported; }));
        if (!drop.refusal.isEmpty()) {
            EXPECT_TRUE(waitUntil([&] { return rig.capture.controller->errorMessage() == drop.refusal; }));
        }
    }
}

// Qt's warnings of client messages it does not handle, counted.
int unhandled = 0;
void countUnhandled(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(QLatin1String("Unhandled client message"))) ++unhandled;
}

// A drag whose position, sent to the editor, names another window (the root window) counts for
// nothing: the proper drops after it are answered with a copy and open, each of them. A target's
// answers sent to the editor as if it were a source are left out before Qt, which would ask the
// server the name of each to warn that it does not handle it. Drags from sources that are no
// windows fill no memory a person's drag needs.
TEST(DragAndDrop, APositionNamingAnotherWindowNeverSwitchesDropsOff) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const QString& picture = dropped.picture;
    const QString& links = dropped.links;
    const auto editor = static_cast<std::uint32_t>(rig.view->winId());
    unhandled = 0;
    const QtMessageHandler before = qInstallMessageHandler(countUnhandled);
    test::sendMisdirectedDragMessages(editor, 600, 300);
    for (std::size_t drop = 1; drop <= 3; ++drop) {
        SCOPED_TRACE(drop);
        test::ClipboardOffer source({"--type", "text/uri-list", "--file", links, "--drag-to", "600,300",
                                     "--drop", "1", "--action", "XdndActionMove"});
        ASSERT_TRUE(source.ready());
        ASSERT_TRUE(source.says(QStringLiteral("status accept copy"))) << source.output().toStdString();
        EXPECT_TRUE(source.says(QStringLiteral("finished accepted copy")));
        ASSERT_TRUE(waitUntil([&] { return rig.imported.size() == drop; }));
        EXPECT_EQ(rig.imported.back().toLocalFile(), picture);
    }
    qInstallMessageHandler(before);
    EXPECT_EQ(unhandled, 0);

    // More drags than are remembered enter from sources that are no windows and never end, and a
    // person's drag enters behind them, all handled in one go: it is remembered, and answered once
    // the others are found gone.
    test::sendEntersFromNoWindows(editor, 200);
    test::ClipboardOffer last({"--type", "text/uri-list", "--file", links, "--drag-to", "600,300", "--drop",
                               "1", "--action", "XdndActionMove"});
    ASSERT_TRUE(last.saysWhileEventsWait(QStringLiteral("entered")));
    EXPECT_TRUE(last.says(QStringLiteral("status accept copy"))) << last.output().toStdString();
    EXPECT_TRUE(last.says(QStringLiteral("finished accepted copy")));
}

// A drag that enters as other programs' flood of drops ends is kept out for the rest after their
// last drop, then let in: its source, waiting for our answer all along, drops and the file opens.
// One that enters while the flood goes on is kept out beside the flood's own drags entering after
// it, and let in as well once the flood stops.
TEST(DragAndDrop, ADragKeptOutByAFloodOfDropsIsLetInAfterIt) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const QString& picture = dropped.picture;
    const QString& links = dropped.links;
    for (const bool duringTheFlood : {false, true}) {
        SCOPED_TRACE(duringTheFlood ? "entering during the flood" : "entering as the flood ends");
        const std::size_t imported = rig.imported.size();
        test::DropFlood flood(static_cast<std::uint32_t>(rig.view->winId()), 600, 300, 2);
        ASSERT_TRUE(waitUntil([&] { return flood.connected() && flood.drops() > 100; }));
        std::optional<test::ClipboardOffer> source;
        const QStringList drag = {"--type",    "text/uri-list", "--file", links,
                                  "--drag-to", "600,300",       "--drop", "1"};
        if (duringTheFlood) {
            source.emplace(drag);
            ASSERT_TRUE(source->says(QStringLiteral("entered")));
            // The flood's sources go on entering after it, each kept out as it is.
            const std::int64_t entered = flood.drops();
            pause(300);
            ASSERT_TRUE(waitUntil([&] { return flood.drops() > entered + 100; }));
            flood.stop();
        } else {
            // From here the flood's last drops queue up unhandled, and the drag's enter behind them.
            const std::int64_t queued = flood.drops() + 10;
            QElapsedTimer waited;
            waited.start();
            while (flood.drops() < queued && waited.elapsed() < test::bound(5000))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            flood.stop();
            source.emplace(drag);
            ASSERT_TRUE(source->saysWhileEventsWait(QStringLiteral("entered")));
        }
        ASSERT_TRUE(source->says(QStringLiteral("status accept"))) << source->output().toStdString();
        EXPECT_TRUE(source->says(QStringLiteral("finished")));
        ASSERT_TRUE(waitUntil([&] { return rig.imported.size() > imported; }));
        EXPECT_EQ(rig.imported.back().toLocalFile(), picture);
    }
}

// Person drags entering one after the other while many programs flood the window with drops are
// each kept out, never pushed out of memory by the flood's windows, and answered once it stops,
// one at a time: each drops, and the picture opens. The flood's messages and the drags' wait
// unhandled until then, so that the test goes on however fast the window takes them.
TEST(DragAndDrop, EveryDragKeptOutByAFloodOfManyProgramsIsAnsweredOnceItStops) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    // Its answers show when the window has handled what was queued before.
    test::WindowPings pings(static_cast<std::uint32_t>(rig.view->winId()));
    ASSERT_TRUE(pings.watching());
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const QString& links = dropped.links;
    const auto floodedBy = [](const test::DropFlood& flood, std::int64_t drops) {
        QElapsedTimer waited;
        waited.start();
        // Every source has taken the drag selection once it connected, before the people take it.
        while (!(flood.connected() && flood.drops() >= drops) && waited.elapsed() < test::bound(10000))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return flood.connected() && flood.drops() >= drops;
    };
    for (const auto& [programs, people] : {std::pair{16, 3}, std::pair{32, 20}}) {
        SCOPED_TRACE(std::to_string(programs) + " programs, " + std::to_string(people) + " people");
        const std::size_t imported = rig.imported.size();
        test::DropFlood flood(static_cast<std::uint32_t>(rig.view->winId()), 600, 300, programs);
        ASSERT_TRUE(floodedBy(flood, 100));
        std::vector<std::unique_ptr<test::ClipboardOffer>> drags;
        for (int person = 0; person < people; ++person) {
            // Each stays when the next takes the drag selection, as sources do.
            drags.push_back(std::make_unique<test::ClipboardOffer>(
                QStringList{"--type", "text/uri-list", "--file", links, "--drag-to", "600,300", "--drop", "1",
                            "--stay", "1"}));
            // The server serves every flooding program between its requests.
            ASSERT_TRUE(drags.back()->saysWhileEventsWait(QStringLiteral("entered"), 20000))
                << drags.back()->output().toStdString();
            // The flood goes on between them, its windows entering after each.
            ASSERT_TRUE(floodedBy(flood, flood.drops() + 20 * programs));
        }
        flood.stop();
        const auto stopped = test::WindowPings::Clock::now();
        std::vector<std::optional<test::WindowPings::Clock::time_point>> answered(drags.size());
        const auto allAnswered = [&] {
            for (std::size_t i = 0; i < drags.size(); ++i)
                if (!answered[i] && drags[i]->saidNow(QStringLiteral("status accept")))
                    answered[i] = test::WindowPings::Clock::now();
            return std::all_of(answered.begin(), answered.end(),
                               [](const auto& each) { return each.has_value(); });
        };
        EXPECT_TRUE(waitUntil(allAnswered, 20000));
        for (std::size_t i = 0; i < drags.size(); ++i) {
            EXPECT_TRUE(answered[i]) << "drag " << i
                                     << " never answered: " << drags[i]->output().toStdString();
            EXPECT_TRUE(drags[i]->says(QStringLiteral("finished"))) << "drag " << i;
        }
        // None waiting for another to fall silent: the first within a second of the flood's end, as
        // the window saw it once it had handled the flood's last messages (or before), each next
        // within a second of the one before.
        waitUntil([&] { return pings.firstAnswerAfter(stopped).has_value(); });
        const std::optional<test::WindowPings::Clock::time_point> handled = pings.firstAnswerAfter(stopped);
        ASSERT_TRUE(handled);
        std::sort(answered.begin(), answered.end());
        auto before = *handled;
        for (std::size_t i = 0; i < answered.size() && answered[i]; ++i) {
            EXPECT_LT(*answered[i] - before, std::chrono::milliseconds(test::bound(1000))) << "answer " << i;
            before = std::max(before, *answered[i]);
        }
        EXPECT_TRUE(waitUntil([&] { return rig.imported.size() > imported; }));
    }
}

// Whatever other programs' drags do at the same time, a person's drag is answered at once and its
// drop opens, and the window answers its window manager throughout: floods of drags that never end,
// that come and go, that trickle, that offer nothing we take, that never say a word after entering,
// whose windows go, sent through the proxy or past it. Each costs its own answers only.
TEST(DragAndDrop, OtherProgramsDragsNeverHoldUpAPersonsDrag) {
    using Kind = test::DropFlood::Kind;
    using Pattern = test::DropFlood::Pattern;
    using namespace std::chrono_literals;
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    test::WindowPings pings(static_cast<std::uint32_t>(rig.view->winId()));
    ASSERT_TRUE(pings.watching());
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const struct {
        const char* name;
        std::vector<Pattern> floods;
    } cases[] = {
        // As fast as the server takes it, but for a build several times slower (the sanitizers'), which
        // takes it at a pace it can read: otherwise the server's own copying of what waits for us grows
        // with the square of it.
        {"one client's 300 windows entering and never leaving",
         {{.kind = Kind::enters,
           .windows = 300,
           .every = std::chrono::milliseconds(std::lround(10 * (test::timeFactor() - 1)))}}},
        // Each message costs Qt's own reading of it, which at the server's top speed is about what a
        // processor can do: this one sends a round every 10 ms.
        {"300 windows entering past the proxy",
         {{.kind = Kind::enters, .windows = 300, .every = 10ms, .pastProxy = true}}},
        {"32 windows entering and leaving", {{.kind = Kind::entersAndLeaves, .sources = 32}}},
        {"a never-ending drag of a type nothing takes",
         {{.kind = Kind::trickle, .every = 100ms, .type = "application/x-quorvane-junk"}}},
        {"a position every half second", {{.kind = Kind::trickle, .every = 500ms}}},
        {"64 silent drags and two windows entering every 90 ms",
         {{.kind = Kind::silent, .windows = 64}, {.kind = Kind::enters, .windows = 2, .every = 90ms}}},
        {"sources closing their windows mid-drag", {{.kind = Kind::closingWindows, .sources = 16}}},
        {"100 sources entering again and again", {{.kind = Kind::enters, .sources = 100}}},
        // Paced, as the first, for a build several times slower: 40,000 messages a round.
        {"20,000 made-up windows of 2,048 programs",
         {{.kind = Kind::madeUp,
           .windows = 20000,
           .every = std::chrono::milliseconds(std::lround(250 * (test::timeFactor() - 1)))}}},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        const auto started = test::WindowPings::Clock::now();
        std::vector<std::unique_ptr<test::DropFlood>> floods;
        for (const Pattern& pattern : each.floods)
            floods.push_back(std::make_unique<test::DropFlood>(static_cast<std::uint32_t>(rig.view->winId()),
                                                               600, 300, pattern));
        // Under way: a flood has sent many rounds, a paced one its second.
        ASSERT_TRUE(waitUntil([&] {
            for (std::size_t i = 0; i < floods.size(); ++i)
                if (!floods[i]->connected() ||
                    floods[i]->drops() < (each.floods[i].every.count() > 0 ? 2 : 10))
                    return false;
            return true;
        }));
        const std::size_t imported = rig.imported.size();
        test::ClipboardOffer person(
            {"--type", "text/uri-list", "--file", dropped.links, "--drag-to", "600,300", "--drop", "1"});
        ASSERT_TRUE(person.says(QStringLiteral("status accept"))) << person.output().toStdString();
        // As its source counts it, whatever this process is kept busy with.
        EXPECT_LT(answeredMs(person), test::bound(1000)) << person.output().toStdString();
        EXPECT_TRUE(person.says(QStringLiteral("finished")));
        EXPECT_TRUE(waitUntil([&] { return rig.imported.size() > imported; }));
        for (const auto& flood : floods)
            flood->stop();
        const auto stopped = test::WindowPings::Clock::now();
        waitUntil([&] { return pings.firstAnswerAfter(stopped).has_value(); });
        EXPECT_LE(pings.longestWait(started, stopped).count(), test::bound(1000));
        // What a flood sent faster than a slow build reads is read before the next one starts.
        EXPECT_TRUE(target.caughtUp());
    }
}

// One client sending enters and positions for 20,000 made-up windows as fast as the server takes
// them, for millions of messages, leaves the target nothing to catch up on: a person's drag right
// after it is answered at once, and its drop opens. (Paced, as the flood test's, for a build
// several times slower.)
TEST(DragAndDrop, APersonsDragRightAfterAFloodOfMadeUpDragsIsAnsweredAtOnce) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const auto every = std::chrono::milliseconds(std::lround(250 * (test::timeFactor() - 1)));
    {
        test::DropFlood flood(static_cast<std::uint32_t>(rig.view->winId()), 600, 300,
                              {.kind = test::DropFlood::Kind::madeUp, .windows = 20000, .every = every});
        // 4 million messages, or 4 rounds paced.
        ASSERT_TRUE(waitUntil([&] { return flood.drops() >= (every.count() > 0 ? 4 : 100); }, 60000));
    }
    test::ClipboardOffer person(
        {"--type", "text/uri-list", "--file", dropped.links, "--drag-to", "600,300", "--drop", "1"});
    ASSERT_TRUE(person.says(QStringLiteral("status accept"))) << person.output().toStdString();
    // Within a second on a quiet machine; a backlog left by the flood would take several.
    EXPECT_LT(answeredMs(person), test::bound(2000)) << person.output().toStdString();
    EXPECT_TRUE(person.says(QStringLiteral("finished")));
    EXPECT_TRUE(waitUntil([&] { return !rig.imported.empty(); }));
}

// A drag's position that names a window which is not ours, or another window of ours than the drag
// entered, counts for nothing: its source hears no answer to it, and the next position, naming the
// window the drag entered, is answered.
TEST(DragAndDrop, APositionNamingAnotherWindowThanItsDragEnteredCountsForNothing) {
    test::EditorViewRig rig;
    test::EditorViewRig other;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(100, 100, 400, 300));
    showAt(*other.view, QRect(600, 100, 400, 300));
    ASSERT_TRUE(target.serves(*rig.view));
    ASSERT_TRUE(target.serves(*other.view));
    for (const std::uint32_t named : {0u, static_cast<std::uint32_t>(other.view->winId())}) {
        SCOPED_TRACE(named);
        test::ForeignDrag drag(static_cast<std::uint32_t>(rig.view->winId()));
        drag.enter();
        // Over the window it entered, naming another (the root window for 0).
        drag.position(300, 250, named != 0 ? named : test::rootWindow());
        bool caught = false;
        const QMetaObject::Connection heard =
            QObject::connect(&target.target, &X11DropTarget::caughtUp, [&] { caught = true; });
        target.target.catchUp();
        ASSERT_TRUE(waitUntil([&] { return caught; }));
        QObject::disconnect(heard);
        EXPECT_FALSE(rig.view->dropTargeted());
        drag.position(300, 250);
        EXPECT_EQ(drag.answers(1), std::vector<std::string>{"accept"});
        EXPECT_TRUE(waitUntil([&] { return rig.view->dropTargeted(); }));
    }
}

// A drag whose source names the window it enters, ours, as its own leaves the window as it was:
// the next drag is answered and drops, and keys still reach the window. Sent past the proxy or
// through it, it comes to nothing.
TEST(DragAndDrop, AnEnterNamingOurWindowAsItsSourceChangesNothing) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const auto editor = static_cast<std::uint32_t>(rig.view->winId());
    test::sendEntersNamingTheirTarget(editor, 600, 300);
    ASSERT_TRUE(target.caughtUp());
    EXPECT_FALSE(rig.view->dropTargeted());
    test::ClipboardOffer person(
        {"--type", "text/uri-list", "--file", dropped.links, "--drag-to", "600,300", "--drop", "1"});
    ASSERT_TRUE(person.says(QStringLiteral("status accept"))) << person.output().toStdString();
    EXPECT_TRUE(person.says(QStringLiteral("finished")));
    ASSERT_TRUE(waitUntil([&] { return rig.imported.size() == 1; }));
    // Qt's window still hears the keys the server sends it.
    rig.capture.turns();
    EditorCanvasPane* pane = rig.view->pane();
    ASSERT_NE(pane, nullptr);
    test::xdotool(QStringLiteral("windowfocus --sync %1").arg(editor));
    pane->canvas().setFocus();
    ASSERT_TRUE(waitUntil([&] { return pane->canvas().hasFocus(); }));
    EXPECT_EQ(test::xdotool(QStringLiteral("key r")), 0);
    EXPECT_TRUE(waitUntil([&] { return pane->settings().style().tool() == QLatin1String("Rectangle"); }));
}

// Whatever another client does to the window's drop proxy (deletes or rewrites its property,
// destroys the proxy window, ends the connection that serves it, deletes XdndAware), the target
// makes it again, and says so in the log: the next proper drag is answered with a copy and its drop
// opens. A client fighting over the property costs the drop thread little and the log one line;
// once it stops, drags are answered again.
TEST(DragAndDrop, TheDropTargetMakesItsProxyAgainWhateverAnotherClientDoes) {
    using test::ProxyTampering;
    test::EditorViewRig rig;
    test::LogLines log("app");
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    const auto editor = static_cast<std::uint32_t>(rig.view->winId());
    const auto dropOpens = [&] {
        // Made again: the window names a proxy that names itself, and says it takes drops.
        ASSERT_TRUE(
            waitUntil([&] { return test::dropProxyOf(editor) != 0 && test::dropAware(editor); }, 2000));
        const std::size_t imported = rig.imported.size();
        test::ClipboardOffer person({"--type", "text/uri-list", "--file", dropped.links, "--drag-to",
                                     "600,300", "--drop", "1", "--action", "XdndActionMove"});
        ASSERT_TRUE(person.says(QStringLiteral("status accept copy"))) << person.output().toStdString();
        EXPECT_TRUE(person.says(QStringLiteral("finished accepted copy")));
        EXPECT_TRUE(waitUntil([&] { return rig.imported.size() > imported; }));
    };
    const std::string changed = "Drop proxy property changed by another program: made again";
    const std::string destroyed = "Drop proxy window destroyed by another program: made again";
    const std::string lost = "Drop target's X connection was lost: opened again";
    const struct {
        ProxyTampering tampering;
        const std::string& logged;
    } tamperings[] = {
        {ProxyTampering::deleteProperty, changed},
        {ProxyTampering::rewriteProperty, changed},
        {ProxyTampering::destroyProxy, destroyed},
        {ProxyTampering::killProxyClient, lost},
        {ProxyTampering::deleteAware, changed},
    };
    for (const auto& each : tamperings) {
        SCOPED_TRACE(static_cast<int>(each.tampering));
        ASSERT_TRUE(test::tamperWithDropProxy(editor, each.tampering));
        dropOpens();
        EXPECT_GE(log.count(each.logged), 1);
    }
    EXPECT_EQ(log.count(lost), 1);

    const long before = test::threadMilliseconds("drop target");
    ASSERT_GE(before, 0);
    const long linesBefore = log.count(changed);
    QElapsedTimer fought;
    fought.start();
    {
        test::ProxyFight fight(editor);
        ASSERT_TRUE(waitUntil([&] { return fight.writes() >= 10000 && fought.elapsed() >= 2000; }, 10000));
    }
    const long used = test::threadMilliseconds("drop target") - before;
    EXPECT_LT(used, fought.elapsed() / 10) << "ms of processor time in " << fought.elapsed() << " ms";
    dropOpens();
    EXPECT_LE(log.count(changed) - linesBefore, 1);
}

// A drag listing many types we never named, or names longer than any type, costs the program a
// few names asked and little memory: it is refused once they come, and a person's drag after it is
// answered at once and opens.
TEST(DragAndDrop, TypesNeverNamedCostLittleAndHoldUpNobody) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const DroppedPicture dropped;
    ASSERT_TRUE(dropped.written);
    for (const auto& [types, length] : {std::pair{64, 0}, std::pair{1000, 0}, std::pair{64, 60 << 10}}) {
        SCOPED_TRACE(std::to_string(types) + " types of " + std::to_string(length) + " bytes");
        const test::PeakMemory memory;
        test::ForeignDrag hostile(static_cast<std::uint32_t>(rig.view->winId()));
        hostile.enter(test::neverNamedTypes(types, static_cast<std::size_t>(length)));
        hostile.position(600, 300);
        EXPECT_EQ(hostile.answers(1), std::vector<std::string>{"refuse"});
        const std::size_t imported = rig.imported.size();
        test::ClipboardOffer person(
            {"--type", "text/uri-list", "--file", dropped.links, "--drag-to", "600,300", "--drop", "1"});
        ASSERT_TRUE(person.says(QStringLiteral("status accept"))) << person.output().toStdString();
        EXPECT_LT(answeredMs(person), test::bound(1000)) << person.output().toStdString();
        EXPECT_TRUE(person.says(QStringLiteral("finished")));
        EXPECT_TRUE(waitUntil([&] { return rig.imported.size() > imported; }));
        EXPECT_LT(memory.growth(), 64 << 20);
    }
}

// A drag is answered by what it offers, however it offers it: the third type of its message, a
// list on its window (each time it enters again), a type whose name the server is asked for while
// the drag keeps still, and a new such type each time it enters again, past the names asked of one
// drag.
TEST(DragAndDrop, ADragIsAnsweredByAnyTypeItOffers) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const auto editor = static_cast<std::uint32_t>(rig.view->winId());
    const std::vector<std::string> accepted{"accept"};
    {
        SCOPED_TRACE("the third of three");
        test::ForeignDrag drag(editor);
        drag.enter({"x-quorvane/a", "x-quorvane/b", "text/uri-list"});
        drag.position(600, 300);
        EXPECT_EQ(drag.answers(1), accepted);
    }
    {
        SCOPED_TRACE("listed, entering again");
        test::ForeignDrag drag(editor);
        for (int time = 1; time <= 3; ++time) {
            drag.enter({"x-quorvane/a", "x-quorvane/b", "x-quorvane/c", "text/uri-list"});
            drag.position(600, 300);
            EXPECT_EQ(drag.answers(static_cast<std::size_t>(time)).size(), static_cast<std::size_t>(time));
            drag.leave();
        }
        EXPECT_EQ(drag.answers(3), std::vector<std::string>(3, "accept"));
    }
    {
        SCOPED_TRACE("a picture type named once asked, the drag keeping still");
        test::ForeignDrag drag(editor);
        const std::vector<std::string> types = test::neverNamedTypes(1, 0, "image");
        drag.offer(types);
        // Its position comes while the name is asked.
        drag.hold();
        drag.enter(types);
        drag.position(600, 300);
        drag.release();
        EXPECT_EQ(drag.answers(1), accepted);
    }
    {
        SCOPED_TRACE("a new picture type each time it enters again");
        test::ForeignDrag drag(editor);
        constexpr std::size_t times = 80;
        for (std::size_t time = 1; time <= times; ++time) {
            drag.enter(test::neverNamedTypes(1, 0, "image"));
            drag.position(600, 300);
            if (drag.answers(time).size() < time) break;
        }
        EXPECT_EQ(drag.answers(times), std::vector<std::string>(times, "accept"));
    }
}

// A drop that comes before its position was answered, as a quick program sends it, is taken where
// it is: here its program's other drags hold its answer back for a round.
TEST(DragAndDrop, ADropBeforeItsAnswerIsTaken) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    test::ForeignDrag drags(static_cast<std::uint32_t>(rig.view->winId()), 9);
    // All at once, read in one round.
    drags.hold();
    for (int source = 1; source < 9; ++source) {
        drags.enter({"text/uri-list"}, source);
        drags.position(600, 300, 0, source);
    }
    drags.enter({"text/uri-list"});
    drags.position(600, 300);
    drags.drop();
    drags.release();
    EXPECT_EQ(drags.finished(), "accepted");
}

// A drag answered that its drop would be taken, then pushed out by more drags of its program than
// are followed, hears when it drops that the drop was not taken, rather than waiting for ever.
TEST(DragAndDrop, ADropOfADragPushedOutIsToldItWasNotTaken) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    test::ForeignDrag drags(static_cast<std::uint32_t>(rig.view->winId()), 1 + XdndSources::mostEach);
    drags.enter();
    drags.position(600, 300);
    ASSERT_EQ(drags.answers(1), std::vector<std::string>{"accept"});
    for (int source = 1; source <= static_cast<int>(XdndSources::mostEach); ++source)
        drags.enter({"text/uri-list"}, source);
    drags.drop();
    EXPECT_EQ(drags.finished(), "refused");
}

// The drop highlight goes with the drag that lit it: when it leaves, when its window turns out to be
// gone, and when it has said nothing for 30 s.
TEST(DragAndDrop, TheDropHighlightGoesWithItsDrag) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    const auto editor = static_cast<std::uint32_t>(rig.view->winId());
    const std::vector<std::string> accepted{"accept"};
    for (const std::string end : {"leaves", "window gone", "silent"}) {
        SCOPED_TRACE(end);
        test::ForeignDrag drag(editor);
        drag.enter();
        if (end == "window gone") {
            // Its window is seen to exist, then is gone before our answer reaches it: the error the
            // answer brings is our only word of it.
            ASSERT_TRUE(target.caughtUp());
            ASSERT_TRUE(target.caughtUp());
            drag.closeWindow();
            drag.position(600, 300);
            ASSERT_TRUE(target.caughtUp());
        } else {
            drag.position(600, 300);
            ASSERT_EQ(drag.answers(1), accepted);
            ASSERT_TRUE(waitUntil([&] { return rig.view->dropTargeted(); }));
        }
        if (end == "leaves") drag.leave();
        if (end == "silent") {
            target.later += 31;
            target.target.catchUp();
        }
        EXPECT_TRUE(waitUntil([&] { return !rig.view->dropTargeted(); }, 3000));
    }
}

// Drags listing a thousand types we never named leave room to name a person's: its picture type,
// listed behind theirs, is asked for too, and the drag is answered that it would be taken.
TEST(DragAndDrop, DragsListingThousandsOfTypesLeaveRoomToNameAnother) {
    test::EditorViewRig rig;
    DropTargetRig target(rig);
    showAt(*rig.view, QRect(300, 100, 600, 400));
    ASSERT_TRUE(target.serves(*rig.view));
    test::ForeignDrag drags(static_cast<std::uint32_t>(rig.view->winId()), 3);
    const std::vector<std::vector<std::string>> types = {test::neverNamedTypes(1000, 0),
                                                         test::neverNamedTypes(1000, 0)};
    std::vector<std::string> person = test::neverNamedTypes(3, 0);
    person.push_back(test::neverNamedTypes(1, 0, "image").front());
    drags.offer(person);
    for (int source = 1; source < 3; ++source)
        drags.offer(types[static_cast<std::size_t>(source - 1)], source);
    // All at once, the person's drag read in the same round as the others.
    drags.hold();
    for (int source = 1; source < 3; ++source) {
        drags.enter(types[static_cast<std::size_t>(source - 1)], source);
        drags.position(600, 300, 0, source);
    }
    drags.enter(person);
    drags.position(600, 300);
    drags.release();
    EXPECT_EQ(drags.answers(1), std::vector<std::string>{"accept"});
}

} // namespace
} // namespace quorvane
