#include "capture/CaptureService.h"

#include "capture/CaptureControllerRig.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

// The configured size, or (0, 0) where it is refused with the cap's message.
std::pair<int, int> configured(double width, double height) {
    const auto result = CaptureService::configuration(width, height);
    if (result.ok()) return {result->width, result->height};
    EXPECT_EQ(result.error(),
              (Error{QStringLiteral("Quorvane.CaptureFailure"), 1,
                     QStringLiteral("The capture dimensions exceed the 32-megapixel limit.")}));
    return {0, 0};
}

TEST(CaptureServiceConfiguration, ChecksTheCapBeforeRoundingUp) {
    EXPECT_EQ(configured(4000.5, 7999), std::pair(4001, 7999));
    EXPECT_EQ(configured(32'000'000, 1), std::pair(32'000'000, 1));
    constexpr double inf = std::numeric_limits<double>::infinity(),
                     nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> refused[] = {
        {0.5, 10}, {10, 0}, {8000, 4000.5}, {4000, 8000.5}, {-5, 10}, {inf, 1}, {1, inf}, {nan, 1}, {1, nan}};
    for (const auto& [w, h] : refused)
        EXPECT_EQ(configured(w, h), std::pair(0, 0)) << w << " × " << h;
}

// What `start` delivers: nothing inside the call, the rest on later turns of the event loop.
template<class T, class Start>
std::vector<Result<T, Error>> collect(Start start) {
    std::vector<Result<T, Error>> results;
    start([&](Result<T, Error> result) { results.push_back(std::move(result)); });
    EXPECT_TRUE(results.empty());
    test::CaptureRig::turnUntil([] { return false; }, 5);
    return results;
}

TEST(CaptureServiceImage, AsksForTheContentsPixelsAndAnswersOnceLater) {
    test::FakeCaptureService service;
    service.answerTwice = true;
    const CaptureDisplay display{1, QString(), QRectF(0, 0, 151, 98), 2};
    const auto images =
        collect<QImage>([&](auto done) { service.image(ContentFilter::forDisplay(display), done); });
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->size(), QSize(302, 196));
    EXPECT_EQ(collect<ShareableContent>([&](auto done) { service.targets(done); }).size(), 1u);

    // Oversized content, and sizes set by hand, are refused before the system is asked.
    CaptureWindow window;
    window.frame = QRectF(0, 0, 8000, 4001);
    const auto filter = ContentFilter::forWindow(window);
    const auto oversized = collect<QImage>([&](auto done) { service.image(filter, done); });
    ASSERT_EQ(oversized.size(), 1u);
    EXPECT_TRUE(isFailure(oversized[0].error(), CaptureFailure::invalidDimensions));
    EXPECT_EQ(collect<QImage>([&](auto done) { service.image(filter, CaptureConfiguration{}, done); }).size(),
              1u);
    EXPECT_EQ(service.filters.size(), 1u);
}

} // namespace
} // namespace quorvane
