#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "core/Geometry.h"
#include "scrolling/ScreenRegionFrameSource.h"
#include "scrolling/ScrollStitchWorker.h"
#include "scrolling/ScrollStitcher.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ImageWindow;

// The capture leaves this process's own windows out: a window that names another process stands
// for another application's.
bool showForeign(ImageWindow& window, QPoint position) {
    return window.showAt(position) &&
           test::x11Server().run("xprop", {"-id", QString::number(window.winId()), "-f", "_NET_WM_PID", "32c",
                                           "-set", "_NET_WM_PID", "1"}) == 0;
}

Result<ScreenRegionFrameSource, Error> made(CaptureService& service, const QRectF& region, DisplayID display,
                                            double scale = 1) {
    return test::awaitResult<ScreenRegionFrameSource>(
        [&](auto done) { ScreenRegionFrameSource::make(service, region, display, scale, std::move(done)); });
}

Result<QImage, Error> frame(ScreenRegionFrameSource& source) {
    return test::awaitResult<QImage>([&](auto done) { source.frame(std::move(done)); });
}

Result<ShareableContent, Error> targets(CaptureService& service) {
    return test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
}

template<class T>
Error errorOf(const Result<T, Error>& result) {
    return result ? Error{} : result.error();
}

TEST(ScrollingCapture, StitchesAPageScrolledUnderTheRegionIntoTheWholePage) {
    // A tall page between a toolbar and a status bar that stay put.
    constexpr int pageRows = 1400, visibleRows = 260;
    const auto scrolledBy = [](int offset) { return test::pageImage({7}, 360, offset, visibleRows, 28, 18); };
    ImageWindow window(scrolledBy(0));
    ASSERT_TRUE(showForeign(window, QPoint(300, 120)));
    SystemCaptureService service;
    auto source = made(service, QRectF(window.geometry()), targets(service).value().mainDisplayID);
    ASSERT_TRUE(source.ok()) << source.error().message.toStdString();

    // Scrolled by hand: uneven steps, a pause and a step back.
    std::vector<int> offsets{0, 0};
    const int steps[] = {17, 45, 90, 8, 63, 120, -30, 51};
    for (int i = 0; offsets.back() < pageRows - visibleRows; ++i)
        offsets.push_back(std::min(offsets.back() + steps[i % 8], pageRows - visibleRows));

    QObject receiver;
    const auto stitcher = [](const QImage& first) {
        return ScrollStitcher::create(first, {20000, 40000000, 48});
    };
    ScrollStitchWorker worker(&receiver, {}, ScrollStitchWorker::flippedVertically, stitcher,
                              [](const auto&) {});

    // A frame every 110 ms, the page moved on between frames.
    for (int offset : offsets) {
        window.setImage(scrolledBy(offset));
        test::waitUntil([] { return false; }, 110);
        const auto image = frame(*source);
        ASSERT_TRUE(image.ok()) << image.error().message.toStdString();
        ASSERT_TRUE(worker.enqueue(*image)) << "the stitcher stopped at offset " << offset;
    }
    std::optional<std::pair<std::optional<QImage>, std::optional<QString>>> stitched;
    worker.finishReporting([&](auto image, auto reason) { stitched.emplace(image, reason); });
    ASSERT_TRUE(test::waitUntil([&] { return stitched.has_value(); }, 60000));
    EXPECT_FALSE(stitched->second);
    // Exactly the page: the toolbar and the status bar once, every row once.
    EXPECT_TRUE(test::imagesNear(stitched->first.value(), test::pageImage({7}, 360, 0, pageRows, 28, 18), 0));
}

TEST(ScrollingCapture, SourcesTakeTheirRegionOfTheirDisplayUntilItIsGone) {
    SystemCaptureService service;
    const DisplayID main = targets(service).value().mainDisplayID;
    const auto scaled = made(service, QRectF(100.25, 100, 300.5, 200), main, 2);
    ASSERT_TRUE(scaled.ok());
    EXPECT_EQ(scaled->configuration().width, 601);
    EXPECT_EQ(scaled->configuration().height, 400);
    EXPECT_TRUE(made(service, QRectF(0, 0, 1920, 1080), main, 1).ok()) << "the whole display";
    const Error outside{"Quorvane.ScrollingCapture", 1,
                        "The selected area is outside the display. Select an area again."};
    const double nan = std::nan(""), infinity = std::numeric_limits<double>::infinity();
    for (double scale : {0.0, -1.0, nan, infinity})
        EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 9, 9), main, scale)), outside) << scale;
    for (const QRectF& region : {QRectF(1800, 0, 121, 100), QRectF(0, 0, nan, 100)})
        EXPECT_EQ(errorOf(made(service, region, main)), outside) << region.x();
    // The capture service's own errors pass through unchanged.
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 1920, 1080), main, 4)),
              toError(CaptureFailure::invalidDimensions));
    const Error unavailable{"Quorvane.ScrollingCapture", 1, "Display is unavailable. Select an area again."};
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 9, 9), main + 1000, 1)), unavailable);

    // A region of the right-hand display, relative to it; our own window over it stays out.
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    const QImage pattern = test::patternImage(200, 150);
    ImageWindow window(pattern);
    ASSERT_TRUE(showForeign(window, QPoint(1000, 100)));
    const auto displays = targets(service).value().displays;
    const auto right = std::find_if(displays.begin(), displays.end(),
                                    [](const CaptureDisplay& d) { return d.name == "right"; });
    ASSERT_NE(right, displays.end());
    auto source = std::make_unique<ScreenRegionFrameSource>(
        made(service, QRectF(1000, 100, 200, 150), right->displayID).value());
    EXPECT_TRUE(geom::exactlyEqual(*source->configuration().sourceRect, QRectF(40, 100, 200, 150)));
    ImageWindow own(test::pageImage({}, 80, 0, 60));
    for (bool covered : {false, true}) {
        ASSERT_TRUE(!covered || own.showAt(QPoint(1050, 130)));
        const auto image = frame(*source);
        ASSERT_TRUE(image.ok());
        EXPECT_TRUE(test::imagesNear(*image, pattern, 0)) << covered;
    }

    ASSERT_TRUE(test::joinMonitors());
    EXPECT_EQ(errorOf(frame(*source)), CaptureService::error(CaptureService::displayUnavailable,
                                                             "The display is no longer available."));
    EXPECT_EQ(errorOf(made(service, QRectF(1000, 100, 200, 150), right->displayID)), unavailable);
    bool answered = false;
    source->frame([&](auto) { answered = true; });
    source.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(answered) << "answered after the source was gone";
}

} // namespace
} // namespace quorvane
