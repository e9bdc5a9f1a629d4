#include "capture/SystemCaptureService.h"

#include "capture/x11/CaptureTestWindows.h"
#include "platform/Geometry.h"
#include "support/ImageCompare.h"

#include <QScreen>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

using test::ImageWindow;

Result<ShareableContent, Error> targets(CaptureService& service) {
    return test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
}

Result<QImage, Error> capture(CaptureService& service, const ContentFilter& filter,
                              std::optional<CaptureConfiguration> configuration = std::nullopt) {
    return test::awaitResult<QImage>([&](auto done) {
        if (configuration)
            service.image(filter, *configuration, std::move(done));
        else
            service.image(filter, std::move(done));
    });
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

Error failureOf(const Result<QImage, Error>& result) {
    return result.ok() ? Error{} : result.error();
}

TEST(SystemCaptureService, ListsDisplaysAndWindowsWithoutAWindowManager) {
    SystemCaptureService service;
    ImageWindow window(solid(120, 80, Qt::green));
    window.setWindowTitle(QStringLiteral("Known pattern ✓"));
    ASSERT_TRUE(window.showAt(QPoint(200, 150)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok()) << content.error().message.toStdString();
    ASSERT_EQ(content->displays.size(), 1u);
    const CaptureDisplay& display = content->displays.front();
    EXPECT_TRUE(geom::exactlyEqual(display.frame, QRectF(0, 0, 1920, 1080)));
    EXPECT_EQ(display.scale, 1);
    EXPECT_EQ(display.pixelWidth, 1920);
    EXPECT_EQ(content->mainDisplayID, display.displayID);
    EXPECT_EQ(screenForDisplay(display), QGuiApplication::primaryScreen());
    EXPECT_TRUE(std::any_of(content->applications.begin(), content->applications.end(),
                            [](const CaptureApplication& a) { return a.processID == ::getpid(); }));

    const auto entry = listed(service, window);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->first.title, QStringLiteral("Known pattern ✓"));
    EXPECT_TRUE(geom::exactlyEqual(entry->first.frame, QRectF(200, 150, 120, 80)));
    EXPECT_EQ(entry->first.layer, 0);
    ASSERT_TRUE(entry->first.owningApplication);
    EXPECT_EQ(entry->first.owningApplication->processID, ::getpid());
}

TEST(SystemCaptureService, CapturesTheDisplayWithoutOwnWindowsUnlessIncluded) {
    SystemCaptureService service;
    ImageWindow own(solid(300, 200, QColor(220, 20, 30)));
    ASSERT_TRUE(own.showAt(QPoint(100, 100)));
    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureDisplay& display = content->displays.front();
    const auto colourAt150 = [&](const ContentFilter& filter) {
        const auto image = capture(service, filter);
        return image.ok() && image->size() == QSize(1920, 1080) ? image->pixelColor(150, 150) : QColor();
    };

    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display)), QColor(220, 20, 30));
    const QColor without = colourAt150(ContentFilter::forDisplay(display, {::getpid()}));
    EXPECT_TRUE(without.isValid());
    EXPECT_NE(without, QColor(220, 20, 30));
    EXPECT_EQ(without.alpha(), 255);
    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display, {::getpid()}, {WindowID(own.winId())})),
              QColor(220, 20, 30));
    // The hidden window is back, unchanged.
    EXPECT_EQ(own.geometry(), QRect(100, 100, 300, 200));
    EXPECT_EQ(colourAt150(ContentFilter::forDisplay(display)), QColor(220, 20, 30));
}

class SystemCaptureServiceWithWindowManager : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::x11Server().startWindowManager()); }
    void TearDown() override { test::x11Server().stopWindowManager(); }
};

TEST_F(SystemCaptureServiceWithWindowManager, ListsManagedWindowsFrontToBackAtTheirClientArea) {
    SystemCaptureService service;
    ImageWindow back(solid(200, 100, Qt::green)), front(solid(150, 120, Qt::blue));
    back.setWindowTitle(QStringLiteral("Back"));
    ASSERT_TRUE(back.showAt(QPoint(300, 300)));
    ASSERT_TRUE(front.showAt(QPoint(700, 300)));
    ASSERT_TRUE(test::waitUntil([&] { return listed(service, back) && listed(service, front); }));

    const auto backEntry = listed(service, back);
    EXPECT_LT(listed(service, front)->second, backEntry->second);
    EXPECT_EQ(backEntry->first.title, QStringLiteral("Back"));
    // The application's area, without the window manager's decorations.
    const QPoint origin = back.mapToGlobal(QPoint(0, 0));
    EXPECT_TRUE(geom::exactlyEqual(backEntry->first.frame, QRectF(origin.x(), origin.y(), 200, 100)));
    // Minimised windows are not on screen.
    back.showMinimized();
    EXPECT_TRUE(test::waitUntil([&] { return !listed(service, back); }));
}

TEST_F(SystemCaptureServiceWithWindowManager, CapturesAHalfCoveredWindowAsItself) {
    SystemCaptureService service;
    const QImage pattern = test::patternImage(240, 160);
    ImageWindow window(pattern), cover(solid(200, 200, Qt::blue));
    ASSERT_TRUE(window.showAt(QPoint(200, 200)));
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    ASSERT_TRUE(cover.showAt(origin + QPoint(120, 0)));
    ASSERT_TRUE(test::waitUntil([&] { return cover.mapToGlobal(QPoint(0, 0)).x() < origin.x() + 240; }));

    const auto entry = listed(service, window);
    ASSERT_TRUE(entry);
    const auto captured = capture(service, ContentFilter::forWindow(entry->first));
    ASSERT_TRUE(captured.ok()) << captured.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*captured, pattern, 0));
}

TEST_F(SystemCaptureServiceWithWindowManager, HidesOwnWindowsWithoutChangingStackingOrFocus) {
    SystemCaptureService service;
    ImageWindow lower(solid(300, 300, QColor(200, 0, 0))), upper(solid(300, 300, QColor(0, 200, 0)));
    ASSERT_TRUE(lower.showAt(QPoint(100, 100)));
    ASSERT_TRUE(upper.showAt(QPoint(250, 250)));
    upper.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QGuiApplication::focusWindow() == upper.windowHandle(); }));
    const auto before = targets(service);
    ASSERT_TRUE(before.ok());
    QString active;
    test::x11Server().run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &active);

    const QPoint inside = upper.mapToGlobal(QPoint(50, 50));
    const auto without = capture(service, ContentFilter::forDisplay(before->displays.front(), {::getpid()}));
    ASSERT_TRUE(without.ok());
    for (const QPoint p : {inside, lower.mapToGlobal(QPoint(20, 20))}) {
        EXPECT_NE(without->pixelColor(p), QColor(200, 0, 0));
        EXPECT_NE(without->pixelColor(p), QColor(0, 200, 0));
    }

    QGuiApplication::sync();
    const auto after = targets(service);
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after->windows == before->windows);
    QString activeAfter;
    test::x11Server().run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &activeAfter);
    EXPECT_EQ(activeAfter, active);
    EXPECT_EQ(QGuiApplication::focusWindow(), upper.windowHandle());
    const auto shown = capture(service, ContentFilter::forDisplay(after->displays.front()));
    ASSERT_TRUE(shown.ok());
    EXPECT_EQ(shown->pixelColor(inside), QColor(0, 200, 0));
}

TEST(SystemCaptureService, KeepsTheAlphaOfATranslucentWindow) {
    SystemCaptureService service;
    QImage corners = solid(100, 100, QColor(0, 0, 255));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            corners.setPixelColor(x, y, QColor(0, 0, 0, 0));
    corners.setPixelColor(50, 50, QColor(100, 0, 0, 128));
    ImageWindow window(corners, Qt::FramelessWindowHint);
    window.setAttribute(Qt::WA_TranslucentBackground);
    ASSERT_TRUE(window.showAt(QPoint(400, 400)));

    const auto entry = listed(service, window);
    ASSERT_TRUE(entry);
    const auto captured = capture(service, ContentFilter::forWindow(entry->first));
    ASSERT_TRUE(captured.ok()) << captured.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*captured, corners, 1));

    // Forced opaque, the same pixels lose their alpha.
    auto configuration = CaptureService::configuration(100, 100);
    ASSERT_TRUE(configuration.ok());
    configuration->shouldBeOpaque = true;
    const auto opaque = capture(service, ContentFilter::forWindow(entry->first), *configuration);
    ASSERT_TRUE(opaque.ok());
    EXPECT_EQ(opaque->pixelColor(5, 5).alpha(), 255);
}

TEST(SystemCaptureService, ListsAndCapturesTwoMonitorsApart) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    SystemCaptureService service;
    const QImage pattern = test::patternImage(100, 60);
    ImageWindow window(pattern, Qt::FramelessWindowHint);
    ASSERT_TRUE(window.showAt(QPoint(1000, 100)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    ASSERT_EQ(content->displays.size(), 2u);
    const CaptureDisplay &left = content->displays[0], &right = content->displays[1];
    EXPECT_EQ(left.name, QStringLiteral("left"));
    EXPECT_TRUE(geom::exactlyEqual(right.frame, QRectF(960, 0, 960, 1080)));
    // Neither is marked primary: the one at the origin is the main display.
    EXPECT_EQ(content->mainDisplayID, left.displayID);
    EXPECT_NE(left.displayID, right.displayID);
    ASSERT_NE(screenForDisplay(right), nullptr);
    EXPECT_EQ(screenForDisplay(right)->name(), QStringLiteral("right"));

    const auto captured = capture(service, ContentFilter::forDisplay(right));
    ASSERT_TRUE(captured.ok());
    EXPECT_EQ(captured->size(), QSize(960, 1080));
    EXPECT_TRUE(test::imagesNear(captured->copy(40, 100, 100, 60), pattern, 0));

    // A display that disappears between listing and capture.
    test::x11Server().run(QStringLiteral("xrandr"),
                          {QStringLiteral("--delmonitor"), QStringLiteral("right")});
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forDisplay(right))),
              CaptureService::error(CaptureService::displayUnavailable,
                                    QStringLiteral("The display is no longer available.")));
    EXPECT_TRUE(test::joinMonitors());
}

TEST(SystemCaptureService, FailsWithAMessageForWindowsThatAreGone) {
    SystemCaptureService service;
    auto window = std::make_unique<ImageWindow>(solid(50, 50, Qt::red));
    ASSERT_TRUE(window->showAt(QPoint(10, 10)));
    const auto entry = listed(service, *window);
    ASSERT_TRUE(entry);
    const auto captureListed = [&] {
        return failureOf(capture(service, ContentFilter::forWindow(entry->first)));
    };
    const Error windowGone = CaptureService::error(CaptureService::windowUnavailable,
                                                   QStringLiteral("The window is no longer available."));

    window->hide();
    QGuiApplication::sync();
    EXPECT_EQ(captureListed(), windowGone);
    window.reset();
    QGuiApplication::sync();
    EXPECT_EQ(captureListed(), windowGone);
    // An identifier the server does not know at all answers with an X error.
    CaptureWindow bogus = entry->first;
    bogus.windowID = 0x7ffffff0;
    EXPECT_EQ(failureOf(capture(service, ContentFilter::forWindow(bogus))), windowGone);

    // And the service still works afterwards.
    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    EXPECT_TRUE(capture(service, ContentFilter::forDisplay(content->displays.front())).ok());
}

} // namespace
} // namespace quorvane
