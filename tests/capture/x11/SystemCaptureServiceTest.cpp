#include "capture/SystemCaptureService.h"

#include "capture/x11/CaptureTestWindows.h"
#include "platform/Geometry.h"
#include "support/ImageCompare.h"
#include "support/XvfbServer.h"

#include <QScreen>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

using test::awaitResult;
using test::ImageWindow;

Result<ShareableContent, Error> targets(CaptureService& service) {
    return awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
}

Result<QImage, Error> capture(CaptureService& service, const ContentFilter& filter) {
    return awaitResult<QImage>([&](auto done) { service.image(filter, std::move(done)); });
}

const CaptureWindow* findWindow(const ShareableContent& content, const QWidget& widget) {
    for (const auto& window : content.windows)
        if (window.windowID == widget.winId()) return &window;
    return nullptr;
}

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

TEST(SystemCaptureServiceTargets, ListsDisplaysAndWindowsWithoutAWindowManager) {
    SystemCaptureService service;
    ImageWindow window(test::patternImage(120, 80));
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

    const CaptureWindow* listed = findWindow(*content, window);
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(listed->title, QStringLiteral("Known pattern ✓"));
    EXPECT_TRUE(geom::exactlyEqual(listed->frame, QRectF(200, 150, 120, 80)));
    EXPECT_EQ(listed->layer, 0);
    ASSERT_TRUE(listed->owningApplication);
    EXPECT_EQ(listed->owningApplication->processID, ::getpid());
    EXPECT_TRUE(std::any_of(content->applications.begin(), content->applications.end(),
                            [](const CaptureApplication& a) { return a.processID == ::getpid(); }));
}

TEST(SystemCaptureServiceImage, CapturesTheDisplayWithoutOwnWindowsUnlessIncluded) {
    SystemCaptureService service;
    QImage red(300, 200, QImage::Format_RGBA8888_Premultiplied);
    red.fill(QColor(220, 20, 30));
    ImageWindow own(red);
    ASSERT_TRUE(own.showAt(QPoint(100, 100)));
    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureDisplay& display = content->displays.front();

    const auto everything = capture(service, ContentFilter::forDisplay(display));
    ASSERT_TRUE(everything.ok()) << everything.error().message.toStdString();
    EXPECT_EQ(everything->size(), QSize(1920, 1080));
    EXPECT_EQ(everything->format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(pixel(*everything, 150, 150), QColor(220, 20, 30));

    const auto withoutOwn = capture(service, ContentFilter::forDisplay(display, {::getpid()}));
    ASSERT_TRUE(withoutOwn.ok());
    EXPECT_NE(pixel(*withoutOwn, 150, 150), QColor(220, 20, 30));
    EXPECT_EQ(pixel(*withoutOwn, 150, 150).alpha(), 255);

    const auto included =
        capture(service, ContentFilter::forDisplay(display, {::getpid()}, {WindowID(own.winId())}));
    ASSERT_TRUE(included.ok());
    EXPECT_EQ(pixel(*included, 150, 150), QColor(220, 20, 30));

    // The hidden window is back, unchanged.
    EXPECT_TRUE(own.isVisible());
    EXPECT_EQ(own.geometry(), QRect(100, 100, 300, 200));
    const auto after = capture(service, ContentFilter::forDisplay(display));
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(pixel(*after, 150, 150), QColor(220, 20, 30));
}

QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(color);
    return image;
}

class SystemCaptureServiceWithWindowManager : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::x11Server().startWindowManager()); }
    void TearDown() override { test::x11Server().stopWindowManager(); }

    QString activeWindow() {
        QString output;
        test::x11Server().run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &output);
        return output.trimmed();
    }
};

TEST_F(SystemCaptureServiceWithWindowManager, ListsManagedWindowsFrontToBackAtTheirClientArea) {
    SystemCaptureService service;
    ImageWindow back(solid(200, 100, Qt::green)), front(solid(150, 120, Qt::blue));
    back.setWindowTitle(QStringLiteral("Back"));
    front.setWindowTitle(QStringLiteral("Front"));
    ASSERT_TRUE(back.showAt(QPoint(300, 300)));
    ASSERT_TRUE(front.showAt(QPoint(700, 300)));
    ASSERT_TRUE(test::waitUntil([&] {
        const auto content = targets(service);
        return content.ok() && findWindow(*content, back) != nullptr &&
               findWindow(*content, front) != nullptr;
    }));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureWindow* backListed = findWindow(*content, back);
    const CaptureWindow* frontListed = findWindow(*content, front);
    EXPECT_LT(frontListed - content->windows.data(), backListed - content->windows.data());
    EXPECT_EQ(backListed->title, QStringLiteral("Back"));
    // The frame is the application's area, without the window manager's decorations.
    const QPoint origin = back.mapToGlobal(QPoint(0, 0));
    EXPECT_TRUE(geom::exactlyEqual(backListed->frame, QRectF(origin.x(), origin.y(), 200, 100)));
    // Minimised windows are not on screen.
    back.showMinimized();
    ASSERT_TRUE(test::waitUntil([&] {
        const auto now = targets(service);
        return now.ok() && findWindow(*now, back) == nullptr;
    }));
}

TEST_F(SystemCaptureServiceWithWindowManager, CapturesAHalfCoveredWindowAsItself) {
    SystemCaptureService service;
    const QImage pattern = test::patternImage(240, 160);
    ImageWindow window(pattern), cover(solid(200, 200, Qt::blue));
    window.setWindowTitle(QStringLiteral("Pattern"));
    ASSERT_TRUE(window.showAt(QPoint(200, 200)));
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    ASSERT_TRUE(cover.showAt(origin + QPoint(120, 0)));
    ASSERT_TRUE(test::waitUntil([&] { return cover.mapToGlobal(QPoint(0, 0)).x() < origin.x() + 240; }));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureWindow* listed = findWindow(*content, window);
    ASSERT_NE(listed, nullptr);
    const auto captured = capture(service, ContentFilter::forWindow(*listed));
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
    const QString active = activeWindow();

    const QPoint inside = upper.mapToGlobal(QPoint(50, 50));
    const auto without = capture(service, ContentFilter::forDisplay(before->displays.front(), {::getpid()}));
    ASSERT_TRUE(without.ok());
    for (const QPoint p : {inside, lower.mapToGlobal(QPoint(20, 20))}) {
        const QColor color = pixel(*without, p.x(), p.y());
        EXPECT_NE(color, QColor(200, 0, 0));
        EXPECT_NE(color, QColor(0, 200, 0));
    }

    QGuiApplication::sync();
    const auto after = targets(service);
    ASSERT_TRUE(after.ok());
    ASSERT_EQ(after->windows.size(), before->windows.size());
    for (std::size_t i = 0; i < before->windows.size(); ++i)
        EXPECT_EQ(after->windows[i], before->windows[i]);
    EXPECT_EQ(activeWindow(), active);
    EXPECT_EQ(QGuiApplication::focusWindow(), upper.windowHandle());
    const auto shown = capture(service, ContentFilter::forDisplay(after->displays.front()));
    ASSERT_TRUE(shown.ok());
    EXPECT_EQ(pixel(*shown, inside.x(), inside.y()), QColor(0, 200, 0));
}

TEST(SystemCaptureServiceImage, KeepsTheAlphaOfATranslucentWindow) {
    SystemCaptureService service;
    QImage corners = solid(100, 100, QColor(0, 0, 255));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            corners.setPixelColor(x, y, QColor(0, 0, 0, 0));
    corners.setPixelColor(50, 50, QColor(100, 0, 0, 128));
    ImageWindow window(corners, Qt::FramelessWindowHint);
    window.setAttribute(Qt::WA_TranslucentBackground);
    ASSERT_TRUE(window.showAt(QPoint(400, 400)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureWindow* listed = findWindow(*content, window);
    ASSERT_NE(listed, nullptr);
    const auto captured = capture(service, ContentFilter::forWindow(*listed));
    ASSERT_TRUE(captured.ok()) << captured.error().message.toStdString();
    EXPECT_TRUE(test::imagesNear(*captured, corners, 1));

    // Forced opaque, the same pixels lose their alpha.
    auto configuration = CaptureService::configuration(100, 100);
    ASSERT_TRUE(configuration.ok());
    configuration->shouldBeOpaque = true;
    const auto opaque = awaitResult<QImage>([&](auto done) {
        service.image(ContentFilter::forWindow(*listed), *configuration, std::move(done));
    });
    ASSERT_TRUE(opaque.ok());
    EXPECT_EQ(opaque->pixelColor(5, 5).alpha(), 255);
}

TEST(SystemCaptureServiceImage, ListsAndCapturesTwoMonitorsApart) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    SystemCaptureService service;
    const QImage pattern = test::patternImage(100, 60);
    ImageWindow window(pattern, Qt::FramelessWindowHint);
    ASSERT_TRUE(window.showAt(QPoint(1000, 100)));

    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    ASSERT_EQ(content->displays.size(), 2u);
    const CaptureDisplay& left = content->displays[0];
    const CaptureDisplay& right = content->displays[1];
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
    ASSERT_EQ(test::x11Server().run(QStringLiteral("xrandr"),
                                    {QStringLiteral("--delmonitor"), QStringLiteral("right")}),
              0);
    const auto gone = capture(service, ContentFilter::forDisplay(right));
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error(), CaptureService::error(CaptureService::displayUnavailable,
                                                  QStringLiteral("The display is no longer available.")));
    EXPECT_TRUE(test::joinMonitors());
}

TEST(SystemCaptureServiceImage, FailsWithAMessageForWindowsThatAreGone) {
    SystemCaptureService service;
    auto window = std::make_unique<ImageWindow>(solid(50, 50, Qt::red));
    ASSERT_TRUE(window->showAt(QPoint(10, 10)));
    const auto content = targets(service);
    ASSERT_TRUE(content.ok());
    const CaptureWindow* found = findWindow(*content, *window);
    ASSERT_NE(found, nullptr);
    const CaptureWindow listed = *found;
    const Error gone = CaptureService::error(CaptureService::windowUnavailable,
                                             QStringLiteral("The window is no longer available."));

    window->hide();
    QGuiApplication::sync();
    auto hidden = capture(service, ContentFilter::forWindow(listed));
    ASSERT_FALSE(hidden.ok());
    EXPECT_EQ(hidden.error(), gone);

    window.reset();
    QGuiApplication::sync();
    auto closed = capture(service, ContentFilter::forWindow(listed));
    ASSERT_FALSE(closed.ok());
    EXPECT_EQ(closed.error(), gone);

    // An identifier the server does not know at all answers with an X error.
    CaptureWindow bogus = listed;
    bogus.windowID = 0x7ffffff0;
    auto unknown = capture(service, ContentFilter::forWindow(bogus));
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error(), gone);

    // And the service still works afterwards.
    EXPECT_TRUE(capture(service, ContentFilter::forDisplay(content->displays.front())).ok());
}

} // namespace
} // namespace quorvane
