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

#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstdlib>
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

// xcompmgr for as long as it lives.
class Compositor {
public:
    explicit Compositor(CaptureService& service) {
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
        process_.start(QStringLiteral("xcompmgr"), {});
        painting_ = waitUntil([] { return compositingManagerRuns(); }) &&
                    waitUntil([&] { return corner() != serverCorner; });
    }
    ~Compositor() {
        process_.terminate();
        process_.waitForFinished();
    }
    bool painting() const { return painting_; }

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
