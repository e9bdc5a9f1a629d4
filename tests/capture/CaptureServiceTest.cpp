#include "capture/CaptureService.h"

#include "capture/SystemCaptureService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
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
    EXPECT_FALSE(one->sourceRect.has_value());

    const auto rounded = CaptureService::configuration(4000.5, 7999);
    ASSERT_TRUE(rounded.ok());
    EXPECT_EQ(rounded->width, 4001);
    EXPECT_EQ(rounded->height, 7999);
    EXPECT_TRUE(CaptureService::configuration(32'000'000, 1).ok());
    EXPECT_TRUE(CaptureService::configuration(8000, 4000).ok());

    const Error invalid = toError(CaptureFailure::invalidDimensions);
    EXPECT_EQ(invalid.message, QStringLiteral("The capture dimensions exceed the 32-megapixel limit."));
    EXPECT_EQ(invalid.domain, QStringLiteral("Quorvane.CaptureFailure"));
    EXPECT_EQ(invalid.code, 1);
    for (const auto& [w, h] : std::initializer_list<std::pair<double, double>>{{0.5, 10},
                                                                               {10, 0},
                                                                               {8000, 4000.5},
                                                                               {4000, 8000.5},
                                                                               {32'000'001, 1},
                                                                               {-5, 10},
                                                                               {inf, 1},
                                                                               {1, inf},
                                                                               {nan, 1},
                                                                               {1, nan}}) {
        const auto refused = CaptureService::configuration(w, h);
        ASSERT_FALSE(refused.ok()) << w << " × " << h;
        EXPECT_EQ(refused.error(), invalid);
        EXPECT_TRUE(isFailure(refused.error(), CaptureFailure::invalidDimensions));
    }
}

TEST(CaptureFailureMessages, NameNoOtherPlatform) {
    const Error permission = toError(CaptureFailure::permissionRequired);
    EXPECT_EQ(permission.code, 0);
    EXPECT_FALSE(permission.message.contains(QStringLiteral("macOS")));
    EXPECT_FALSE(permission.message.contains(QStringLiteral("System Settings")));
    EXPECT_TRUE(permission.message.startsWith(QStringLiteral("Allow Screen Recording for Quorvane")));
    EXPECT_FALSE(isCancellation(permission));
    EXPECT_TRUE(isCancellation(cancellationError()));
}

// Records what reaches the system side; answers as often as it is told to.
class FakeService : public CaptureService {
public:
    std::vector<CaptureConfiguration> requested;
    int answers = 1;

protected:
    void loadTargets(Completion<ShareableContent> done) override {
        for (int i = 0; i < answers; ++i)
            done(ShareableContent{});
    }
    void takeImage(const ContentFilter&, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override {
        requested.push_back(configuration);
        for (int i = 0; i < answers; ++i)
            done(QImage(configuration.width, configuration.height, QImage::Format_RGBA8888_Premultiplied));
    }
};

void runEvents() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(CaptureServiceImage, CapturesTheContentAtItsPixelsAndAnswersOnceLater) {
    FakeService service;
    service.answers = 2;
    CaptureDisplay display;
    display.frame = QRectF(0, 0, 1512, 982);
    display.scale = 2;
    int calls = 0;
    std::optional<Result<QImage, Error>> result;
    service.image(ContentFilter::forDisplay(display), [&](Result<QImage, Error> r) {
        ++calls;
        result = std::move(r);
    });
    EXPECT_EQ(calls, 0);
    runEvents();
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(result && result->ok());
    EXPECT_EQ((*result)->size(), QSize(3024, 1964));

    int targetCalls = 0;
    service.targets([&](Result<ShareableContent, Error>) { ++targetCalls; });
    EXPECT_EQ(targetCalls, 0);
    runEvents();
    EXPECT_EQ(targetCalls, 1);
}

TEST(CaptureServiceImage, RefusesOversizedContentBeforeAskingTheSystem) {
    FakeService service;
    CaptureWindow window;
    window.frame = QRectF(0, 0, 8000, 4001);
    std::optional<Result<QImage, Error>> result;
    service.image(ContentFilter::forWindow(window), [&](Result<QImage, Error> r) { result = std::move(r); });
    runEvents();
    ASSERT_TRUE(result && !result->ok());
    EXPECT_TRUE(isFailure(result->error(), CaptureFailure::invalidDimensions));

    // Sizes set by hand pass the same checks.
    CaptureConfiguration configuration;
    configuration.width = 0;
    configuration.height = 10;
    result.reset();
    service.image(ContentFilter::forWindow(window), configuration,
                  [&](Result<QImage, Error> r) { result = std::move(r); });
    runEvents();
    ASSERT_TRUE(result && !result->ok());
    EXPECT_TRUE(service.requested.empty());
}

TEST(SystemCaptureService, SaysSoWhenThereIsNoXServer) {
    const QByteArray display = qgetenv("DISPLAY");
    ::setenv("DISPLAY", ":32760", 1);
    SystemCaptureService service;
    std::optional<Result<ShareableContent, Error>> result;
    service.targets([&](Result<ShareableContent, Error> r) { result = std::move(r); });
    runEvents();
    if (display.isNull())
        ::unsetenv("DISPLAY");
    else
        ::setenv("DISPLAY", display.constData(), 1);
    ASSERT_TRUE(result && !result->ok());
    EXPECT_EQ(result->error().domain, QStringLiteral("Quorvane.CaptureService"));
    EXPECT_EQ(result->error().code, CaptureService::connectionFailed);
    EXPECT_TRUE(service.preflightAccess());
}

} // namespace
} // namespace quorvane
