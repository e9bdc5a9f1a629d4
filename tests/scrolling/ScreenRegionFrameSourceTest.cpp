#include "scrolling/ScreenRegionFrameSource.h"

#include "scrolling/ScrollingCaptureFailure.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Two displays side by side; records what is asked of it.
struct FakeCapturing : ScrollRegionCapturing {
    std::vector<ScrollCaptureDisplay> screens{{1, QRectF(0, 0, 1920, 1080)}, {2, QRectF(1920, 0, 1280, 800)}};
    std::optional<Error> failure;
    QRectF source;
    QSize size;

    Result<std::vector<ScrollCaptureDisplay>, Error> displays() override {
        if (failure) return Failure{*failure};
        return screens;
    }
    Result<QSize, Error> checkedSize(double width, double height) override {
        if (width * height > 32000000) return Failure{Error{"Quorvane.CaptureFailure", 1, "too large"}};
        return QSize(int(width), int(height));
    }
    Result<QImage, Error> capture(quint32, const QRectF& rect, const QSize& pixelSize) override {
        source = rect;
        size = pixelSize;
        if (failure) return Failure{*failure};
        return QImage(pixelSize, QImage::Format_RGBX8888);
    }
};

TEST(ScreenRegionFrameSource, CapturesTheRegionRelativeToItsDisplay) {
    auto capturing = std::make_shared<FakeCapturing>();
    auto source = ScreenRegionFrameSource::make(capturing, QRectF(2000.25, 100, 300.5, 200), 2, 2);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->source(), QRectF(80.25, 100, 300.5, 200));
    EXPECT_EQ(source->pixelSize(), QSize(601, 400));
    const auto frame = source->frame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(601, 400));
    EXPECT_EQ(capturing->source, QRectF(80.25, 100, 300.5, 200));

    // The whole display is inside it.
    EXPECT_TRUE(ScreenRegionFrameSource::make(capturing, QRectF(1920, 0, 1280, 800), 2, 1));
}

TEST(ScreenRegionFrameSource, RefusesMissingDisplaysAndRegionsOutsideThem) {
    auto capturing = std::make_shared<FakeCapturing>();
    const auto errorOf = [&](const QRectF& region, quint32 display, double scale) {
        auto source = ScreenRegionFrameSource::make(capturing, region, display, scale);
        return source ? Error{} : source.error();
    };
    const Error gone{"Quorvane.ScrollingCapture", 1, "Display is unavailable. Select an area again."};
    const Error outside{"Quorvane.ScrollingCapture", 1,
                        "The selected area is outside the display. Select an area again."};
    EXPECT_EQ(errorOf(QRectF(0, 0, 100, 100), 3, 1), gone);
    EXPECT_EQ(errorOf(QRectF(1920, 0, 1281, 800), 2, 1), outside) << "one point beyond the right edge";
    EXPECT_EQ(errorOf(QRectF(1919, 10, 100, 100), 2, 1), outside);
    EXPECT_EQ(errorOf(QRectF(0, 0, 1920, 1081), 1, 1), outside);
    for (double scale : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(errorOf(QRectF(0, 0, 100, 100), 1, scale), outside) << scale;
    EXPECT_EQ(errorOf(QRectF(0, 0, std::nan(""), 100), 1, 1), outside);

    // The capture service's own errors pass through unchanged.
    EXPECT_EQ(errorOf(QRectF(0, 0, 1920, 1080), 1, 4), (Error{"Quorvane.CaptureFailure", 1, "too large"}));
    auto source = ScreenRegionFrameSource::make(capturing, QRectF(0, 0, 100, 100), 1, 1);
    capturing->failure = Error{"Quorvane.Capture", 7, "no server"};
    EXPECT_EQ(errorOf(QRectF(0, 0, 100, 100), 1, 1), *capturing->failure);
    EXPECT_EQ(source->frame().error(), *capturing->failure);
}

} // namespace
} // namespace quorvane
