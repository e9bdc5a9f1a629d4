#include "capture/SystemCaptureService.h"

#include "capture/x11/CaptureTestWindows.h"
#include "core/Geometry.h"
#include "platform/LogStore.h"
#include "support/ImageCompare.h"
#include "support/TestEnvironment.h"
#include "support/Xdotool.h"

#include <QScreen>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/composite.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using test::ImageWindow;

Result<ShareableContent, Error> targets(CaptureService& service) {
    return test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
}

Result<QImage, Error> capture(CaptureService& service, const ContentFilter& filter,
                              std::optional<CaptureConfiguration> configuration = std::nullopt) {
    return test::awaitResult<QImage>([&](auto done) {
        configuration ? service.image(filter, *configuration, std::move(done))
                      : service.image(filter, std::move(done));
    });
}

Error failureOf(const Result<QImage, Error>& result) {
    return result.ok() ? Error{} : result.error();
}

// The widget's entry in a fresh listing, and its position front to back.
std::optional<std::pair<CaptureWindow, std::size_t>> listed(CaptureService& service, const QWidget& widget) {
    const auto content = targets(service);
    for (std::size_t i = 0; content.ok() && i < content->windows.size(); ++i)
        if (content->windows[i].windowID == widget.winId()) return std::pair{content->windows[i], i};
    return std::nullopt;
}

QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(color);
    return image;
}

const QColor red(220, 20, 30), green(0, 200, 0);

// How many of `windows` the server keeps off screen: only a redirected window has a pixmap of
// its own to name. Asked on a connection of the test's own.
int redirectedCount(const std::vector<const QWidget*>& windows) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    int count = 0;
    for (const QWidget* window : windows) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_generic_error_t* error = xcb_request_check(
            c,
            xcb_composite_name_window_pixmap_checked(c, static_cast<xcb_window_t>(window->winId()), pixmap));
        if (error == nullptr) {
            ++count;
            xcb_free_pixmap(c, pixmap);
        }
        std::free(error);
    }
    xcb_disconnect(c);
    return count;
}

// Makes a window look like another application's to the capture service.
bool markForeign(const QWidget& window) {
    return test::x11Server().run(QStringLiteral("xprop"),
                                 QStringLiteral("-id %1 -f _NET_WM_PID 32c -set _NET_WM_PID 1")
                                     .arg(window.winId())
                                     .split(QLatin1Char(' '))) == 0;
}

TEST(SystemCaptureService, ListsAndCapturesWithoutAWindowManagerAndFailsForWindowsThatAreGone) {
    SystemCaptureService service;
    // A translucent window keeps its transparent corner and half-transparent pixel.
    QImage corners = solid(100, 100, Qt::blue);
    for (int i = 0; i < 100; ++i)
        corners.setPixelColor(i % 10, i / 10, Qt::transparent);
    corners.setPixelColor(50, 50, QColor(100, 0, 0, 128));
    auto window = std::make_unique<ImageWindow>(corners, Qt::FramelessWindowHint);
    ImageWindow own(solid(300, 200, red));
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setWindowTitle(QStringLiteral("Known pattern ✓"));
    ASSERT_TRUE(window->showAt(QPoint(500, 150)));
    ASSERT_TRUE(own.showAt(QPoint(100, 100)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok()) << content.error().message.toStdString();
    ASSERT_EQ(content->displays.size(), 1u);
    const CaptureDisplay& display = content->displays.front();
    EXPECT_TRUE(geom::exactlyEqual(display.frame, QRectF(0, 0, 1920, 1080)));
    EXPECT_EQ(std::tuple(display.scale, display.pixelWidth, content->mainDisplayID),
              std::tuple(1.0, 1920, display.displayID));
    EXPECT_EQ(screenForDisplay(display), QGuiApplication::primaryScreen());
    EXPECT_TRUE(std::any_of(content->applications.begin(), content->applications.end(),
                            [](const CaptureApplication& a) { return a.processID == ::getpid(); }));
    const auto entry = listed(service, *window);
    ASSERT_TRUE(entry);
    const CaptureWindow& listing = entry->first;
    EXPECT_EQ(std::tuple(listing.title, listing.layer,
                         listing.owningApplication.value_or(CaptureApplication{}).processID),
              std::tuple(QStringLiteral("Known pattern ✓"), 0, ::getpid()));
    EXPECT_TRUE(geom::exactlyEqual(listing.frame, QRectF(500, 150, 100, 100)));

    const auto captured = capture(service, ContentFilter::forWindow(listing));
    ASSERT_TRUE(captured.ok()) << captured.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*captured, corners, 1));
    auto opaque = CaptureService::configuration(100, 100);
    opaque->shouldBeOpaque = true;
    EXPECT_EQ(capture(service, ContentFilter::forWindow(listing), *opaque)->pixelColor(5, 5).alpha(), 255);

    // Own windows are left out of a display capture, except the ones it names, and come back.
    const auto colourAt150 = [&](const ContentFilter& filter) {
        const auto image = capture(service, filter);
        return image.ok() && image->size() == QSize(1920, 1080) ? image->pixelColor(150, 150) : QColor();
    };
    const QColor without = colourAt150(ContentFilter::forDisplay(display, {::getpid()}));
    EXPECT_TRUE(without.isValid() && without != red && without.alpha() == 255)
        << without.name().toStdString();
    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display, {::getpid()}, {WindowID(own.winId())})), red);
    EXPECT_EQ(own.geometry(), QRect(100, 100, 300, 200));
    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display)), red);

    // Hidden, destroyed, or unknown to the server (an X error); the service works on afterwards.
    const Error windowGone = CaptureService::error(CaptureService::windowUnavailable,
                                                   QStringLiteral("The window is no longer available."));
    window->hide();
    QGuiApplication::sync();
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forWindow(listing))), windowGone);
    window.reset();
    QGuiApplication::sync();
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forWindow(listing))), windowGone);
    CaptureWindow unknown = listing;
    unknown.windowID = 0x7ffffff0;
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forWindow(unknown))), windowGone);
    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display)), red);
}

TEST(SystemCaptureService, UnderAWindowManagerListsFrontToBackAndHidesOwnWindowsWithoutSideEffects) {
    test::WindowManagerInTest windowManager;
    ASSERT_TRUE(windowManager.started());
    SystemCaptureService service;
    const QImage pattern = test::patternImage(240, 160);
    ImageWindow window(pattern), cover(solid(200, 200, green));
    ASSERT_TRUE(window.showAt(QPoint(200, 200)));
    const QPoint origin = window.mapToGlobal(QPoint(0, 0)), inside = origin + QPoint(20, 20);
    ASSERT_TRUE(cover.showAt(origin + QPoint(120, 0)));
    cover.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] {
        return QGuiApplication::focusWindow() == cover.windowHandle() && listed(service, window) &&
               listed(service, cover) && cover.mapToGlobal(QPoint(0, 0)).x() < origin.x() + 240;
    }));

    const auto before = targets(service);
    const auto entry = listed(service, window);
    EXPECT_LT(listed(service, cover)->second, entry->second);
    // The application's area, without the window manager's decorations; captured without its cover.
    EXPECT_TRUE(geom::exactlyEqual(entry->first.frame, QRectF(origin.x(), origin.y(), 240, 160)));
    const auto captured = capture(service, ContentFilter::forWindow(entry->first));
    ASSERT_TRUE(captured.ok()) << captured.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*captured, pattern, 0));

    // Hiding own windows for a capture leaves stacking and focus as they were.
    QString active, activeAfter;
    // The window manager names the active window on its own turn, after Qt's focus moved.
    ASSERT_TRUE(test::waitUntil([&] {
        active.clear();
        test::xdotool(QStringLiteral("getactivewindow"), &active);
        return !active.trimmed().isEmpty();
    }));
    const CaptureDisplay& display = before->displays.front();
    const auto without = capture(service, ContentFilter::forDisplay(display, {::getpid()}));
    ASSERT_TRUE(without.ok());
    EXPECT_NE(without->pixelColor(inside), pattern.pixelColor(20, 20));
    EXPECT_NE(without->pixelColor(cover.mapToGlobal(QPoint(50, 50))), green);
    QGuiApplication::sync();
    test::xdotool(QStringLiteral("getactivewindow"), &activeAfter);
    EXPECT_TRUE(targets(service)->windows == before->windows);
    EXPECT_EQ(std::pair(activeAfter, QGuiApplication::focusWindow()),
              std::pair(active, cover.windowHandle()));
    EXPECT_EQ(capture(service, ContentFilter::forDisplay(display))->pixelColor(inside),
              pattern.pixelColor(20, 20));

    // Minimised windows are not on screen.
    window.showMinimized();
    EXPECT_TRUE(test::waitUntil([&] { return !listed(service, window); }));
}

// Listing windows and capturing displays redirect nothing; a covered window is redirected only
// while it is captured, and still comes out as itself; so does another application's window
// under one of ours that a display capture leaves out.
TEST(SystemCaptureService, RedirectsNothingButACoveredWindowWhileItIsCaptured) {
    const QImage pattern = test::patternImage(240, 160);
    ImageWindow back(pattern, Qt::FramelessWindowHint),
        cover(solid(120, 120, green), Qt::FramelessWindowHint);
    ASSERT_TRUE(back.showAt(QPoint(300, 300)));
    ASSERT_TRUE(markForeign(back));
    ASSERT_TRUE(cover.showAt(QPoint(360, 320)));
    SystemCaptureService service;
    const std::vector<const QWidget*> windows = {&back, &cover};

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    EXPECT_EQ(redirectedCount(windows), 0) << "after listing";
    const auto display = capture(service, ContentFilter::forDisplay(content->displays.front(), {::getpid()}));
    ASSERT_TRUE(display.ok());
    EXPECT_TRUE(test::imagesNear(display->copy(300, 300, 240, 160), pattern, 0)) << "under our own window";
    EXPECT_EQ(redirectedCount(windows), 0) << "after a display capture";
    EXPECT_EQ(cover.geometry(), QRect(360, 320, 120, 120));

    const auto entry = listed(service, back);
    ASSERT_TRUE(entry);
    const auto window = capture(service, ContentFilter::forWindow(entry->first));
    ASSERT_TRUE(window.ok()) << window.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*window, pattern, 0));
    EXPECT_EQ(redirectedCount(windows), 0) << "after a window capture";
    // A service that goes while a capture waits for paint still answers, once, and lets go.
    const auto cut = test::awaitResult<QImage>([&](auto done) {
        SystemCaptureService doomed;
        doomed.image(ContentFilter::forWindow(entry->first), std::move(done));
    });
    EXPECT_TRUE(cut.ok()) << cut.error().message.toStdString();
    EXPECT_EQ(redirectedCount(windows), 0) << "after a service went";
    EXPECT_EQ(capture(service, ContentFilter::forDisplay(content->displays.front()))->pixelColor(400, 400),
              green);
}

// Without Composite, the service says so once, at the default level: the info level is kept for
// hot keys whose registration failed.
TEST(SystemCaptureService, SaysAtTheDefaultLevelThatCompositeIsMissing) {
    test::XvfbServer bare;
    ASSERT_TRUE(bare.start(640, 480, {"-extension", "Composite"}));
    const auto saidSoFar = [] {
        auto entries = test::logStore().read(0, ::getpid()).value();
        std::erase_if(entries, [](const LogEntry& entry) {
            return entry.message.find("Composite is unavailable") == std::string::npos;
        });
        return entries;
    };
    // Earlier runs of this test in the same process said it too.
    const std::size_t before = saidSoFar().size();
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", bare.display().toUtf8());
    { SystemCaptureService service; }
    qputenv("DISPLAY", display);
    auto entries = saidSoFar();
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(
        std::tuple(entries.front().category, entries.front().level, entries.front().message),
        std::tuple(
            std::string("capture"), LogLevel::defaultLevel,
            std::string("Composite is unavailable: covered windows are captured with what covers them")));
}

TEST(SystemCaptureService, ListsAndCapturesTwoMonitorsApartUntilOneIsGone) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    SystemCaptureService service;
    const QImage pattern = test::patternImage(100, 60);
    ImageWindow window(pattern, Qt::FramelessWindowHint);
    ASSERT_TRUE(window.showAt(QPoint(1000, 100)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    ASSERT_EQ(content->displays.size(), 2u);
    const CaptureDisplay &left = content->displays[0], &right = content->displays[1];
    EXPECT_TRUE(geom::exactlyEqual(right.frame, QRectF(960, 0, 960, 1080)));
    // Neither is marked primary: the one at the origin is the main display.
    EXPECT_EQ(
        std::tuple(left.name, content->mainDisplayID == left.displayID, left.displayID != right.displayID),
        std::tuple(QStringLiteral("left"), true, true));
    EXPECT_TRUE(screenForDisplay(right) && screenForDisplay(right)->name() == QStringLiteral("right"));
    const auto captured = capture(service, ContentFilter::forDisplay(right));
    ASSERT_TRUE(captured.ok() && captured->size() == QSize(960, 1080));
    EXPECT_TRUE(test::imagesNear(captured->copy(40, 100, 100, 60), pattern, 0));

    test::xrandr(QStringLiteral("--delmonitor right"));
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forDisplay(right))),
              CaptureService::error(CaptureService::displayUnavailable,
                                    QStringLiteral("The display is no longer available.")));
    EXPECT_TRUE(test::joinMonitors());
}

TEST(SystemCaptureService, SaysSoWhenThereIsNoXServer) {
    const QByteArray display = qgetenv("DISPLAY");
    ::setenv("DISPLAY", ":32760", 1);
    SystemCaptureService service;
    const auto result = targets(service);
    display.isNull() ? ::unsetenv("DISPLAY") : ::setenv("DISPLAY", display.constData(), 1);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(std::pair(result.error().domain, result.error().code),
              std::pair(QStringLiteral("Quorvane.CaptureService"), int(CaptureService::connectionFailed)));
    EXPECT_TRUE(service.preflightAccess());
}

} // namespace
} // namespace quorvane
