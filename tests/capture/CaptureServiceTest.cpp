#include "capture/CaptureService.h"

#include "capture/SystemCaptureService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(CaptureServiceConfiguration, ChecksTheCapBeforeRoundingUp) {
    const auto one = CaptureService::configuration(1, 1);
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(one->width, 1);
    EXPECT_EQ(one->height, 1);
    EXPECT_FALSE(one->showsCursor);
    EXPECT_TRUE(one->ignoresShadowsSingleWindow);
    EXPECT_FALSE(one->shouldBeOpaque);

    const auto rounded = CaptureService::configuration(4000.5, 7999);
    ASSERT_TRUE(rounded.ok());
    EXPECT_EQ(rounded->width, 4001);
    EXPECT_EQ(rounded->height, 7999);
    EXPECT_TRUE(CaptureService::configuration(32'000'000, 1).ok());
    EXPECT_TRUE(CaptureService::configuration(8000, 4000).ok());

    const Error invalid{QStringLiteral("Quorvane.CaptureFailure"), 1,
                        QStringLiteral("The capture dimensions exceed the 32-megapixel limit.")};
    for (const auto& [w, h] : std::initializer_list<std::pair<double, double>>{{0.5, 10},
                                                                               {10, 0},
                                                                               {8000, 4000.5},
                                                                               {4000, 8000.5},
                                                                               {-5, 10},
                                                                               {inf, 1},
                                                                               {1, inf},
                                                                               {nan, 1},
                                                                               {1, nan}}) {
        const auto refused = CaptureService::configuration(w, h);
        ASSERT_FALSE(refused.ok()) << w << " × " << h;
        EXPECT_EQ(refused.error(), invalid);
    }
    // Reworded for Linux.
    const Error permission = toError(CaptureFailure::permissionRequired);
    EXPECT_EQ(permission.code, 0);
    EXPECT_FALSE(permission.message.contains(QStringLiteral("macOS")));
    EXPECT_FALSE(permission.message.contains(QStringLiteral("System Settings")));
}

// Answers as often as it is told to, at once.
class FakeService : public CaptureService {
public:
    std::vector<CaptureConfiguration> requested;

protected:
    void loadTargets(Completion<ShareableContent> done) override { done(ShareableContent{}); }
    void takeImage(const ContentFilter&, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override {
        requested.push_back(configuration);
        for (int i = 0; i < 2; ++i)
            done(QImage(configuration.width, configuration.height, QImage::Format_RGBA8888_Premultiplied));
    }
};

template<class T>
std::vector<Result<T, Error>> collect(const std::function<void(CaptureService::Completion<T>)>& start) {
    std::vector<Result<T, Error>> results;
    start([&](Result<T, Error> result) { results.push_back(std::move(result)); });
    EXPECT_TRUE(results.empty()); // never inside the call
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return results;
}

TEST(CaptureServiceImage, AsksForTheContentsPixelsAndAnswersOnceLater) {
    FakeService service;
    CaptureDisplay display;
    display.frame = QRectF(0, 0, 1512, 982);
    display.scale = 2;
    const auto images =
        collect<QImage>([&](auto done) { service.image(ContentFilter::forDisplay(display), done); });
    ASSERT_EQ(images.size(), 1u);
    ASSERT_TRUE(images[0].ok());
    EXPECT_EQ(images[0]->size(), QSize(3024, 1964));
    EXPECT_EQ(collect<ShareableContent>([&](auto done) { service.targets(done); }).size(), 1u);

    // Oversized content, and sizes set by hand, are refused before the system is asked.
    CaptureWindow window;
    window.frame = QRectF(0, 0, 8000, 4001);
    const auto oversized =
        collect<QImage>([&](auto done) { service.image(ContentFilter::forWindow(window), done); });
    ASSERT_EQ(oversized.size(), 1u);
    EXPECT_TRUE(isFailure(oversized[0].error(), CaptureFailure::invalidDimensions));
    CaptureConfiguration empty;
    collect<QImage>([&](auto done) { service.image(ContentFilter::forWindow(window), empty, done); });
    EXPECT_EQ(service.requested.size(), 1u);
}

TEST(SystemCaptureService, SaysSoWhenThereIsNoXServer) {
    const QByteArray display = qgetenv("DISPLAY");
    ::setenv("DISPLAY", ":32760", 1);
    SystemCaptureService service;
    const auto results = collect<ShareableContent>([&](auto done) { service.targets(done); });
    display.isNull() ? ::unsetenv("DISPLAY") : ::setenv("DISPLAY", display.constData(), 1);
    ASSERT_EQ(results.size(), 1u);
    ASSERT_FALSE(results[0].ok());
    EXPECT_EQ(results[0].error().domain, QStringLiteral("Quorvane.CaptureService"));
    EXPECT_EQ(results[0].error().code, CaptureService::connectionFailed);
    EXPECT_TRUE(service.preflightAccess());
}

} // namespace
} // namespace quorvane
