#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "platform/Geometry.h"
#include "scrolling/ScreenRegionFrameSource.h"
#include "scrolling/ScrollStitchWorker.h"
#include "scrolling/ScrollStitcher.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ImageWindow;

// The capture leaves this process's own windows out: a window that names another process stands
// for another application's.
bool asAnotherApplication(const QWidget& window) {
    return test::x11Server().run(QStringLiteral("xprop"),
                                 {QStringLiteral("-id"), QString::number(window.winId()),
                                  QStringLiteral("-f"), QStringLiteral("_NET_WM_PID"), QStringLiteral("32c"),
                                  QStringLiteral("-set"), QStringLiteral("_NET_WM_PID"),
                                  QStringLiteral("1")}) == 0;
}

Result<ShareableContent, Error> targets(CaptureService& service) {
    return test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
}

Result<ScreenRegionFrameSource, Error> made(CaptureService& service, const QRectF& region,
                                            DisplayID display) {
    return test::awaitResult<ScreenRegionFrameSource>(
        [&](auto done) { ScreenRegionFrameSource::make(service, region, display, 1, std::move(done)); });
}

Result<QImage, Error> frame(ScreenRegionFrameSource& source) {
    return test::awaitResult<QImage>([&](auto done) { source.frame(std::move(done)); });
}

TEST(ScrollingCapture, StitchesAPageScrolledUnderTheRegionIntoTheWholePage) {
    // A tall page between a toolbar and a status bar that stay put.
    constexpr int pageRows = 1400, visibleRows = 260;
    const test::FrameLayout layout{28, 18};
    const auto scrolledBy = [&](int offset) {
        return test::pageImage({7}, 360, offset, visibleRows, layout);
    };
    ImageWindow window(scrolledBy(0));
    ASSERT_TRUE(window.showAt(QPoint(300, 120)));
    ASSERT_TRUE(asAnotherApplication(window));

    SystemCaptureService service;
    const auto listing = targets(service);
    ASSERT_TRUE(listing.ok());
    auto source = made(service, QRectF(window.geometry()), listing->mainDisplayID);
    ASSERT_TRUE(source.ok()) << source.error().message.toStdString();

    // Scrolled by hand: uneven steps, a pause and a step back.
    std::vector<int> offsets{0, 0};
    const int steps[] = {17, 45, 90, 8, 63, 120, -30, 51};
    for (int i = 0; offsets.back() < pageRows - visibleRows; ++i)
        offsets.push_back(std::min(offsets.back() + steps[i % 8], pageRows - visibleRows));

    QObject receiver;
    ScrollStitchWorker worker(
        &receiver, {}, ScrollStitchWorker::flippedVertically,
        [](const QImage& first) {
            return ScrollStitcher::create(first, {20000, 40000000, 48});
        },
        [](const ScrollStitchWorker::Report&) {});

    // A frame every 110 ms; the page moves on once its frame is taken.
    std::size_t taken = 0;
    bool waiting = false;
    std::optional<Error> failure;
    QTimer interval;
    interval.setInterval(110);
    interval.callOnTimeout([&] {
        if (waiting) return;
        waiting = true;
        source->frame([&](Result<QImage, Error> image) {
            waiting = false;
            if (!image) failure = image.error();
            if (!image || !worker.enqueue(*image) || ++taken == offsets.size()) return interval.stop();
            window.setImage(scrolledBy(offsets[taken]));
        });
    });
    window.setImage(scrolledBy(offsets[0]));
    interval.start();
    ASSERT_TRUE(test::waitUntil([&] { return !interval.isActive() && !waiting; }, 120000));
    ASSERT_FALSE(failure) << failure->message.toStdString();
    ASSERT_EQ(taken, offsets.size()) << "the stitcher stopped";

    std::optional<std::optional<QImage>> stitched;
    std::optional<QString> reason;
    worker.finishReporting([&](std::optional<QImage> image, std::optional<QString> why) {
        stitched = std::move(image);
        reason = std::move(why);
    });
    ASSERT_TRUE(test::waitUntil([&] { return stitched.has_value(); }, 60000));
    ASSERT_TRUE(*stitched);
    EXPECT_FALSE(reason);
    // Exactly the page: the toolbar and the status bar once, every row once.
    EXPECT_TRUE(test::imagesNear(**stitched, test::pageImage({7}, 360, 0, pageRows, layout), 0));
}

TEST(ScrollingCapture, RefusesAreasOutsideTheDisplayAndFailsOnceTheDisplayIsGone) {
    SystemCaptureService service;
    const auto listing = targets(service);
    ASSERT_TRUE(listing.ok());
    const auto outside = made(service, QRectF(1800, 0, 121, 100), listing->mainDisplayID);
    ASSERT_FALSE(outside.ok());
    EXPECT_EQ(outside.error(), (Error{"Quorvane.ScrollingCapture", 1,
                                      "The selected area is outside the display. Select an area again."}));

    // A region of the right-hand display, relative to it.
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    const QImage pattern = test::patternImage(200, 150);
    ImageWindow window(pattern);
    ASSERT_TRUE(window.showAt(QPoint(1000, 100)));
    ASSERT_TRUE(asAnotherApplication(window));
    const auto split = targets(service);
    ASSERT_TRUE(split.ok());
    const auto right =
        std::find_if(split->displays.begin(), split->displays.end(),
                     [](const CaptureDisplay& d) { return d.name == QStringLiteral("right"); });
    ASSERT_NE(right, split->displays.end());
    auto source = made(service, QRectF(1000, 100, 200, 150), right->displayID);
    ASSERT_TRUE(source.ok());
    EXPECT_TRUE(geom::exactlyEqual(*source->configuration().sourceRect, QRectF(40, 100, 200, 150)));
    const auto before = frame(*source);
    ASSERT_TRUE(before.ok());
    EXPECT_TRUE(test::imagesNear(*before, pattern, 0));
    // Our own windows over the region stay out of the frames.
    QImage red(80, 60, QImage::Format_RGBA8888_Premultiplied);
    red.fill(Qt::red);
    ImageWindow own(red);
    ASSERT_TRUE(own.showAt(QPoint(1050, 130)));
    const auto covered = frame(*source);
    ASSERT_TRUE(covered.ok());
    EXPECT_TRUE(test::imagesNear(*covered, pattern, 0));

    ASSERT_TRUE(test::joinMonitors());
    const auto after = frame(*source);
    ASSERT_FALSE(after.ok());
    EXPECT_EQ(after.error(), CaptureService::error(CaptureService::displayUnavailable,
                                                   QStringLiteral("The display is no longer available.")));
    const auto again = made(service, QRectF(1000, 100, 200, 150), right->displayID);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error(),
              (Error{"Quorvane.ScrollingCapture", 1, "Display is unavailable. Select an area again."}));
}

} // namespace
} // namespace quorvane
