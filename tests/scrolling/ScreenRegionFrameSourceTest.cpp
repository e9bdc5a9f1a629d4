#include "scrolling/ScreenRegionFrameSource.h"

#include "platform/Geometry.h"
#include "scrolling/ScrollingCaptureFailure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Made = Result<ScreenRegionFrameSource, Error>;
using Frame = Result<QImage, Error>;

// Two displays side by side; fails with `failure` when set.
class FakeService : public CaptureService {
public:
    std::optional<Error> failure;
    int requests = 0;

protected:
    void loadTargets(Completion<ShareableContent> done) override {
        if (failure) return done(Failure{*failure});
        ShareableContent content;
        for (const auto& [id, frame] :
             {std::pair{1, QRectF(0, 0, 1920, 1080)}, {2, QRectF(1920, 0, 1280, 800)}})
            content.displays.push_back(CaptureDisplay{DisplayID(id), {}, frame});
        done(std::move(content));
    }
    void takeImage(const ContentFilter&, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override {
        ++requests;
        if (failure) return done(Failure{*failure});
        done(QImage(configuration.width, configuration.height, QImage::Format_RGBA8888_Premultiplied));
    }
};

template<class T>
T await(const std::function<void(std::function<void(T)>)>& start) {
    std::optional<T> result;
    start([&](T value) { result.emplace(std::move(value)); });
    QElapsedTimer timer;
    timer.start();
    while (!result && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return result ? std::move(*result) : T(Failure{Error{"test", -1, "no answer"}});
}

Made made(FakeService& service, const QRectF& region, DisplayID display, double scale) {
    return await<Made>(
        [&](auto done) { ScreenRegionFrameSource::make(service, region, display, scale, std::move(done)); });
}

Error errorOf(const Made& made) {
    return made ? Error{} : made.error();
}

TEST(ScreenRegionFrameSource, SizesFramesByTheScaleAndRefusesWhatItsDisplayCannotShow) {
    FakeService service;
    const auto source = made(service, QRectF(2000.25, 100, 300.5, 200), 2, 2);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->filter().display.displayID, 2u);
    EXPECT_EQ(source->filter().excludedProcessIDs,
              std::vector<ProcessID>{QCoreApplication::applicationPid()});
    EXPECT_EQ(source->configuration().width, 601);
    EXPECT_EQ(source->configuration().height, 400);
    EXPECT_TRUE(geom::exactlyEqual(*source->configuration().sourceRect, QRectF(80.25, 100, 300.5, 200)));

    const Error outside = ScrollingCaptureFailure::outsideDisplay();
    EXPECT_TRUE(made(service, QRectF(1920, 0, 1280, 800), 2, 1)) << "the whole display";
    EXPECT_EQ(errorOf(made(service, QRectF(1920, 0, 1281, 800), 2, 1)), outside);
    for (double scale : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 100, 100), 1, scale)), outside) << scale;
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, std::nan(""), 100), 1, 1)), outside);
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 100, 100), 3, 1)),
              ScrollingCaptureFailure::displayUnavailable());

    // The capture service's own errors pass through unchanged.
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 1920, 1080), 1, 4)),
              toError(CaptureFailure::invalidDimensions));
    service.failure = CaptureService::error(CaptureService::connectionFailed, "no server");
    EXPECT_EQ(errorOf(made(service, QRectF(0, 0, 100, 100), 1, 1)), *service.failure);
}

TEST(ScreenRegionFrameSource, AnswersEachFrameOnceAndNoneAfterItWent) {
    FakeService service;
    auto made = ::quorvane::made(service, QRectF(0, 0, 100, 100), 1, 1);
    ASSERT_TRUE(made);
    auto source = std::make_unique<ScreenRegionFrameSource>(std::move(*made));
    int calls = 0;
    const auto frame = [&] {
        return await<Frame>([&](auto done) {
            source->frame([&calls, done](Frame result) {
                ++calls;
                done(std::move(result));
            });
        });
    };
    EXPECT_EQ(frame()->size(), QSize(100, 100));
    service.failure = CaptureService::error(CaptureService::displayUnavailable, "gone");
    EXPECT_EQ(frame().error(), *service.failure);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);

    source->frame([&](Frame) { ++calls; });
    source.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(service.requests, 3);
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace quorvane
