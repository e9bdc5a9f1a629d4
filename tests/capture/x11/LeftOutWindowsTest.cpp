// Our windows that a display capture leaves out: what lies below shows as it is on screen, with
// and without a compositing manager, and they are always put back. One it keeps shows as it is
// now.

#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "support/ImageCompare.h"
#include "support/LaterTurn.h"
#include "support/LogLines.h"
#include "support/X11Selection.h"
#include "support/Xdotool.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using test::ImageWindow;
using test::waitUntil;

Result<QImage, Error> capture(CaptureService& service, const ContentFilter& filter,
                              std::optional<CaptureConfiguration> configuration = std::nullopt) {
    return test::awaitResult<QImage>([&](auto done) {
        configuration ? service.image(filter, *configuration, std::move(done))
                      : service.image(filter, std::move(done));
    });
}

QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(color);
    return image;
}

bool compositingManagerRuns() {
    return test::selectionHasOwner("_NET_WM_CM_S0");
}

// A terminal of another process whose text stays as it is.
class StillTerminal {
public:
    explicit StillTerminal(QPoint at, QString title = QStringLiteral("still terminal")) : title_(title) {
        process_.start(QStringLiteral("xterm"),
                       {QStringLiteral("-geometry"), QStringLiteral("70x24+%1+%2").arg(at.x()).arg(at.y()),
                        QStringLiteral("-T"), title, QStringLiteral("-e"), QStringLiteral("sh"),
                        QStringLiteral("-c"), QStringLiteral("seq 1 500 | tr '\\n' ' '; exec sleep 100000")});
    }
    ~StillTerminal() {
        if (process_.state() == QProcess::NotRunning) return;
        ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
        process_.kill();
        process_.waitForFinished();
    }
    // Its listing, once it shows all of its text.
    std::optional<CaptureWindow> shown(CaptureService& service) {
        std::optional<CaptureWindow> found;
        waitUntil([&] {
            const auto content =
                test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
            for (const CaptureWindow& window : content.ok() ? content->windows : std::vector<CaptureWindow>{})
                if (window.title == title_) found = window;
            return found.has_value();
        });
        if (!found) return found;
        // Painted when two looks a little apart agree.
        QImage before;
        const bool still = waitUntil([&] {
            const auto now = capture(service, ContentFilter::forWindow(*found));
            const bool same = now.ok() && !before.isNull() && test::imagesNear(*now, before, 0);
            before = now.ok() ? *now : QImage();
            QThread::msleep(50);
            return same;
        });
        return still ? found : std::nullopt;
    }
    void stopHandlingEvents() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }

private:
    const QString title_;
    QProcess process_;
};

// A compositing manager for as long as it lives: xcompmgr, or picom with its arguments.
class Compositor {
public:
    explicit Compositor(CaptureService& service, QString program = QStringLiteral("xcompmgr"),
                        QStringList arguments = {}) {
        // The bare root, which the compositing manager paints in its own way once it has started.
        const auto corner = [&] {
            const auto content =
                test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
            auto area = CaptureService::configuration(4, 4);
            area->sourceRect = QRectF(1900, 1060, 4, 4);
            const auto image =
                content.ok() ? capture(service, ContentFilter::forDisplay(content->displays.front()), *area)
                             : Failure{content.error()};
            return image.ok() ? *image : QImage();
        };
        const QImage serverCorner = corner();
        process_.start(program, arguments);
        painting_ = waitUntil([] { return compositingManagerRuns(); }) &&
                    waitUntil([&] { return corner() != serverCorner; });
    }
    ~Compositor() {
        resume();
        process_.terminate();
        process_.waitForFinished();
    }
    bool painting() const { return painting_; }
    void stop() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }
    void crash() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished();
    }

private:
    QProcess process_;
    bool painting_ = false;
};

// With our window over the terminal, a display capture, an area of it and a window capture of
// the terminal all equal what the screen shows with our window closed.
void expectTheTerminalAsOnScreen(SystemCaptureService& service, ImageWindow& ours,
                                 const CaptureWindow& terminal, const char* where) {
    const CaptureDisplay display = [&] {
        const auto content =
            test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
        return content->displays.front();
    }();
    const ContentFilter withoutOurs = ContentFilter::forDisplay(display, {::getpid()});
    ours.hide();
    QGuiApplication::sync();
    // Gone from the screen (a compositing manager takes it away on its own time), and still.
    QImage closed;
    ASSERT_TRUE(waitUntil([&] {
        const auto image = capture(service, withoutOurs);
        const bool same = image.ok() && !closed.isNull() && test::imagesNear(*image, closed, 0);
        closed = image.ok() ? *image : QImage();
        return same && closed.pixelColor(400, 300) != QColor(0, 200, 0);
    })) << where;
    ours.showAt(QPoint(300, 260));
    // Shown again, it has painted before: wait until the screen shows it.
    ASSERT_TRUE(waitUntil([&] {
        const auto image = capture(service, ContentFilter::forDisplay(display));
        return image.ok() && image->pixelColor(400, 300) == QColor(0, 200, 0);
    })) << where;

    const auto shown = capture(service, withoutOurs);
    ASSERT_TRUE(shown.ok()) << where;
    EXPECT_TRUE(test::imagesNear(*shown, closed, 0)) << where;
    auto area = CaptureService::configuration(300, 200);
    area->sourceRect = QRectF(280, 240, 300, 200);
    const auto part = capture(service, withoutOurs, *area);
    ASSERT_TRUE(part.ok()) << where;
    EXPECT_TRUE(test::imagesNear(*part, closed.copy(280, 240, 300, 200), 0)) << where;
    const auto window = capture(service, ContentFilter::forWindow(terminal));
    ASSERT_TRUE(window.ok()) << where;
    EXPECT_TRUE(test::imagesNear(*window, closed.copy(terminal.frame.toRect()), 0)) << where;
    // And ours is back (a compositing manager paints it there on its own time).
    EXPECT_TRUE(waitUntil([&] {
        const auto image = capture(service, ContentFilter::forDisplay(display));
        return image.ok() && image->pixelColor(400, 300) == QColor(0, 200, 0);
    })) << where;
}

TEST(LeftOutWindows, ShowWhatLiesBelowAsItIsOnScreenWithAndWithoutACompositingManager) {
    SystemCaptureService service;
    StillTerminal terminal(QPoint(200, 200));
    const auto listing = terminal.shown(service);
    ASSERT_TRUE(listing);
    ImageWindow ours(solid(300, 200, QColor(0, 200, 0)), Qt::FramelessWindowHint);
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    expectTheTerminalAsOnScreen(service, ours, *listing, "no compositing manager");

    {
        Compositor compositor(service);
        ASSERT_TRUE(compositor.painting());
        expectTheTerminalAsOnScreen(service, ours, *listing, "xcompmgr");
    }
    EXPECT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
}

// Ours kept in a display capture shows what it has just changed and not yet painted (a part
// hidden a moment before), with and without a compositing manager.
TEST(LeftOutWindows, AWindowKeptInTheCaptureShowsWhatItHasJustChanged) {
    SystemCaptureService service;
    const QColor green(0, 200, 0), red(220, 0, 0);
    ImageWindow ours(solid(300, 200, green), Qt::FramelessWindowHint);
    QWidget part(&ours);
    part.setGeometry(50, 50, 100, 60);
    QPalette palette = part.palette();
    palette.setColor(QPalette::Window, red);
    part.setPalette(palette);
    part.setAutoFillBackground(true);
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    const auto content =
        test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    ASSERT_TRUE(content.ok());
    const ContentFilter keepingOurs =
        ContentFilter::forDisplay(content->displays.front(), {::getpid()}, {WindowID(ours.winId())});
    // Read as the screen shows it, nothing painted anew for it.
    const ContentFilter asShown = ContentFilter::forDisplay(content->displays.front());
    const auto partOf = [&](const Result<QImage, Error>& image) {
        return image.ok() ? image->pixelColor(300 + 60, 260 + 60).name() : QStringLiteral("no image");
    };
    for (const bool compositing : {false, true}) {
        const char* where = compositing ? "xcompmgr" : "no compositing manager";
        std::optional<Compositor> compositor;
        if (compositing) {
            compositor.emplace(service);
            ASSERT_TRUE(compositor->painting());
        }
        part.show();
        // On the screen, and still: nothing of it is left to paint.
        QString before;
        ASSERT_TRUE(waitUntil([&] {
            const QString now = partOf(capture(service, asShown));
            const bool still = now == red.name() && now == before;
            before = now;
            QThread::msleep(50);
            return still;
        })) << where;
        part.hide();
        EXPECT_EQ(partOf(capture(service, keepingOurs)).toStdString(), green.name().toStdString()) << where;
    }
    EXPECT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
}

// Under a window manager, which would pull a frame moved off the screen partly back, with a
// compositing manager.
TEST(LeftOutWindows, LeaveNoPixelBehindUnderAWindowManagerAndACompositingManager) {
    test::WindowManagerInTest windowManager;
    ASSERT_TRUE(windowManager.started());
    SystemCaptureService service;
    StillTerminal terminal(QPoint(200, 200));
    const auto listing = terminal.shown(service);
    ASSERT_TRUE(listing);
    // Decorated, and leaving the focus and so the terminal's frame as they are.
    ImageWindow ours(solid(300, 200, QColor(0, 200, 0)), Qt::WindowDoesNotAcceptFocus);
    ours.setAttribute(Qt::WA_ShowWithoutActivating);
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    {
        Compositor compositor(service);
        ASSERT_TRUE(compositor.painting());
        expectTheTerminalAsOnScreen(service, ours, *listing, "openbox and xcompmgr");
    }
    EXPECT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
}

// A window uncovered for a capture whose application has stopped is read after a second, with
// one line in the log; a capture asked for meanwhile, or a service that goes, reads it at once.
// Our window is back after each.
TEST(LeftOutWindows, ReadAnApplicationThatNeverRepaintsAfterASecondAndAlwaysComeBack) {
    auto service = std::make_unique<SystemCaptureService>();
    ImageWindow ours(solid(300, 200, QColor(0, 200, 0)), Qt::FramelessWindowHint);
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    // The terminal comes after ours, so nothing of it was kept, and goes below it.
    StillTerminal terminal(QPoint(200, 200));
    ASSERT_TRUE(terminal.shown(*service));
    ours.raise();
    const auto content =
        test::awaitResult<ShareableContent>([&](auto done) { service->targets(std::move(done)); });
    const CaptureDisplay display = content->displays.front();
    const auto oursShown = [&] {
        QGuiApplication::sync();
        const auto image = capture(*service, ContentFilter::forDisplay(display));
        return image.ok() && image->pixelColor(400, 300) == QColor(0, 200, 0);
    };
    ASSERT_TRUE(waitUntil(oursShown));
    terminal.stopHandlingEvents();

    const std::string line =
        "Windows uncovered for a capture did not repaint within 1000 ms: read as they are";
    test::LogLines log("capture");
    const ContentFilter withoutOurs = ContentFilter::forDisplay(display, {::getpid()});
    EXPECT_TRUE(capture(*service, withoutOurs).ok());
    EXPECT_EQ(log.count(line), 1);
    EXPECT_TRUE(oursShown());

    std::vector<Result<QImage, Error>> results;
    service->image(withoutOurs, [&](Result<QImage, Error> image) { results.push_back(std::move(image)); });
    service->image(withoutOurs, [&](Result<QImage, Error> image) { results.push_back(std::move(image)); });
    service.reset();
    ASSERT_TRUE(waitUntil([&] { return results.size() == 2; }));
    EXPECT_TRUE(results[0].ok() && results[1].ok());
    EXPECT_EQ(log.count(line), 1);
    service = std::make_unique<SystemCaptureService>();
    EXPECT_TRUE(oursShown());
}

// The display goes away while a capture waits for a stopped application to paint what it
// uncovered: the capture answers once, that the X server cannot be reached, and nothing crashes.
TEST(LeftOutWindows, AnswerOnceWhenTheDisplayGoesAwayDuringTheWait) {
    for (const bool windowCapture : {true, false}) {
        SCOPED_TRACE(windowCapture ? "window capture" : "display capture");
        test::XvfbServer doomed;
        ASSERT_TRUE(doomed.start(800, 600));
        // The service and the terminals on it.
        const struct DisplayKept {
            QByteArray display = qgetenv("DISPLAY");
            ~DisplayKept() { qputenv("DISPLAY", display); }
        } kept;
        qputenv("DISPLAY", doomed.display().toUtf8());
        auto service = std::make_unique<SystemCaptureService>();
        StillTerminal below(QPoint(20, 20), QStringLiteral("below"));
        const auto listing = below.shown(*service);
        StillTerminal above(QPoint(120, 80), QStringLiteral("above"));
        const auto over = above.shown(*service);
        ASSERT_TRUE(listing && over);
        // Of another process, to be left out.
        ASSERT_EQ(doomed.run(QStringLiteral("xprop"),
                             QStringLiteral("-id %1 -f _NET_WM_PID 32c -set _NET_WM_PID 424242")
                                 .arg(over->windowID)
                                 .split(QLatin1Char(' '))),
                  0);
        below.stopHandlingEvents();

        const auto content =
            test::awaitResult<ShareableContent>([&](auto done) { service->targets(std::move(done)); });
        ASSERT_TRUE(content.ok());
        // The covered window is redirected, or the window over it taken out: either way the stopped
        // terminal has to paint.
        const ContentFilter filter = windowCapture
                                         ? ContentFilter::forWindow(*listing)
                                         : ContentFilter::forDisplay(content->displays.front(), {424242});
        std::vector<Result<QImage, Error>> results;
        service->image(filter, [&](Result<QImage, Error> image) { results.push_back(std::move(image)); });
        // An answer at once would have come on the next turn: it waits for the terminal instead.
        ASSERT_TRUE(test::laterTurn());
        ASSERT_TRUE(results.empty());
        // Its number may be taken at once by another test's server: the service must not find one.
        qputenv("DISPLAY", ":32761");
        doomed.stop();
        ASSERT_TRUE(waitUntil([&] { return !results.empty(); }, 3000));
        // Past the time a wait could last: a timer due after its own has fired.
        ASSERT_TRUE(test::laterTurn(1200));
        service.reset();
        ASSERT_EQ(results.size(), 1u);
        ASSERT_FALSE(results.front().ok());
        EXPECT_EQ(results.front().error().code, int(CaptureService::connectionFailed));
    }
}

} // namespace
} // namespace quorvane

namespace quorvane {
namespace {

// Like the editor: a menu bar over an opaque view, which Qt does not paint again for a repaint of
// the window.
class EditorLikeWindow : public QMainWindow {
public:
    EditorLikeWindow() {
        setWindowFlag(Qt::FramelessWindowHint);
        menuBar()->addMenu(QStringLiteral("File"));
        auto* view = new QWidget;
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, QColor(30, 60, 200));
        view->setPalette(palette);
        setCentralWidget(view);
        resize(400, 300);
    }
};

// The paint bound's expiries in the capture log, whichever wait ran out.
long boundsRunOut(const test::LogLines& log) {
    long count = 0;
    for (const std::string& line : log.lines())
        if (line.find("1000 ms") != std::string::npos) ++count;
    return count;
}

// Under xcompmgr, picom, and picom fading windows in and out, captures of every kind, one after
// another and back to back, with our window left out over another program's and the editor kept:
// each equals the screen without ours, and none waits out the paint bound.
TEST(LeftOutWindows, UnderACompositingManagerCapturesShowWhatLiesBelowWithoutWaitingOutTheBound) {
    SystemCaptureService service;
    StillTerminal terminal(QPoint(200, 200));
    const auto listing = terminal.shown(service);
    ASSERT_TRUE(listing);
    ImageWindow ours(solid(300, 200, QColor(0, 200, 0)), Qt::FramelessWindowHint);
    EditorLikeWindow editor;
    editor.move(1100, 300);
    editor.show();
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    const auto content =
        test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    ASSERT_TRUE(content.ok());
    const CaptureDisplay display = content->displays.front();
    const ContentFilter withoutOurs =
        ContentFilter::forDisplay(display, {::getpid()}, {WindowID(editor.winId())});
    auto area = CaptureService::configuration(300, 200);
    area->sourceRect = QRectF(280, 240, 300, 200);

    const struct {
        const char* where;
        QString program;
        QStringList arguments;
    } compositors[] = {
        {"xcompmgr", QStringLiteral("xcompmgr"), {}},
        {"picom",
         QStringLiteral("picom"),
         {QStringLiteral("--backend"), QStringLiteral("xrender"), QStringLiteral("--config"),
          QStringLiteral("/dev/null")}},
        {"picom fading",
         QStringLiteral("picom"),
         {QStringLiteral("--backend"), QStringLiteral("xrender"), QStringLiteral("--config"),
          QStringLiteral("/dev/null"), QStringLiteral("--fading")}},
    };
    for (const auto& compositor : compositors) {
        SCOPED_TRACE(compositor.where);
        Compositor running(service, compositor.program, compositor.arguments);
        ASSERT_TRUE(running.painting());
        // The screen without ours, once it is still.
        ours.hide();
        QImage closed;
        ASSERT_TRUE(waitUntil([&] {
            const auto image = capture(service, withoutOurs);
            const bool same = image.ok() && !closed.isNull() && test::imagesNear(*image, closed, 0);
            closed = image.ok() ? *image : QImage();
            QThread::msleep(50);
            return same && closed.pixelColor(400, 300) != QColor(0, 200, 0);
        }));
        ours.showAt(QPoint(300, 260));
        ASSERT_TRUE(waitUntil([&] {
            const auto image = capture(service, ContentFilter::forDisplay(display));
            return image.ok() && image->pixelColor(400, 300) == QColor(0, 200, 0);
        }));

        // The first capture that leaves a window out learns how this compositing manager takes it away.
        ASSERT_TRUE(capture(service, withoutOurs).ok());
        test::LogLines log("capture");
        for (int round = 0; round < 3; ++round) {
            const auto shown = capture(service, withoutOurs);
            ASSERT_TRUE(shown.ok());
            EXPECT_TRUE(test::imagesNear(*shown, closed, 0)) << "round " << round;
            const auto part = capture(service, withoutOurs, *area);
            ASSERT_TRUE(part.ok());
            EXPECT_TRUE(test::imagesNear(*part, closed.copy(280, 240, 300, 200), 0)) << "round " << round;
            const auto window = capture(service, ContentFilter::forWindow(*listing));
            ASSERT_TRUE(window.ok());
            EXPECT_TRUE(test::imagesNear(*window, closed.copy(listing->frame.toRect()), 0))
                << "round " << round;
        }
        // Back to back: each asked for as the one before answers.
        std::vector<Result<QImage, Error>> results;
        std::function<void(Result<QImage, Error>)> next = [&](Result<QImage, Error> image) {
            results.push_back(std::move(image));
            if (results.size() < 4) service.image(withoutOurs, next);
        };
        service.image(withoutOurs, next);
        ASSERT_TRUE(waitUntil([&] { return results.size() == 4; }));
        for (const auto& image : results)
            EXPECT_TRUE(image.ok() && test::imagesNear(*image, closed, 0));
        EXPECT_EQ(boundsRunOut(log), 0);
    }
    EXPECT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
}

// A compositing manager that paints late, then one that crashes, while captures wait for it: a
// capture waits for the windows of the one before to be painted back no longer than a quarter of
// the bound, and one whose compositing manager crashes takes our window out anew, the way the bare
// server needs; neither shows it.
TEST(LeftOutWindows, ACompositingManagerThatPaintsLateOrCrashesDuringACaptureLeavesOursOut) {
    SystemCaptureService service;
    StillTerminal terminal(QPoint(200, 200));
    ASSERT_TRUE(terminal.shown(service));
    ImageWindow ours(solid(300, 200, QColor(0, 200, 0)), Qt::FramelessWindowHint);
    ASSERT_TRUE(ours.showAt(QPoint(300, 260)));
    const auto content =
        test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    ASSERT_TRUE(content.ok());
    const CaptureDisplay display = content->displays.front();
    const ContentFilter withoutOurs = ContentFilter::forDisplay(display, {::getpid()});
    const QColor green(0, 200, 0);
    const auto oursShown = [&] {
        const auto image = capture(service, ContentFilter::forDisplay(display));
        return image.ok() && image->pixelColor(400, 300) == green;
    };
    Compositor compositor(service, QStringLiteral("picom"),
                          {QStringLiteral("--backend"), QStringLiteral("xrender"), QStringLiteral("--config"),
                           QStringLiteral("/dev/null")});
    ASSERT_TRUE(compositor.painting());
    ASSERT_TRUE(waitUntil(oursShown));
    test::LogLines log("capture");
    const auto ask = [&](std::vector<Result<QImage, Error>>& results) {
        service.image(withoutOurs, [&](Result<QImage, Error> image) { results.push_back(std::move(image)); });
    };

    // Stopped, it paints neither our window away nor back; it goes on once the next capture has
    // given up waiting for the second.
    compositor.stop();
    ASSERT_TRUE(capture(service, withoutOurs).ok());
    EXPECT_EQ(log.count("Windows uncovered for a capture did not repaint within 1000 ms: read as they are"),
              1);
    std::vector<Result<QImage, Error>> late;
    ask(late);
    const std::string givenUp = "Own windows put back after the capture before did not show again within 250 "
                                "ms: taken out all the same";
    ASSERT_TRUE(waitUntil([&] { return log.count(givenUp) == 1 || !late.empty(); }));
    compositor.resume();
    ASSERT_TRUE(waitUntil([&] { return !late.empty(); }));
    ASSERT_TRUE(late.front().ok());
    EXPECT_NE(late.front()->pixelColor(400, 300), green);
    EXPECT_EQ(log.count("Windows uncovered for a capture did not repaint within 1000 ms: read as they are"),
              1);

    ASSERT_TRUE(waitUntil(oursShown));
    compositor.stop();
    std::vector<Result<QImage, Error>> crashed;
    ask(crashed);
    ASSERT_TRUE(test::laterTurn());
    ASSERT_TRUE(crashed.empty());
    compositor.crash();
    ASSERT_TRUE(waitUntil([&] { return !crashed.empty(); }));
    ASSERT_TRUE(crashed.front().ok());
    EXPECT_NE(crashed.front()->pixelColor(400, 300), green);
    EXPECT_EQ(log.count("The compositing manager changed during a capture: own windows are taken out anew"),
              1);
    EXPECT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
}

} // namespace
} // namespace quorvane
