#include "scrolling/ScrollStitchWorker.h"

#include "capture/x11/CaptureTestWindows.h"
#include "scrolling/ScrollStitcher.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"

#include <QThread>
#include <future>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::pageImage;
using test::waitUntil;
using Report = ScrollStitchWorker::Report;

// A worker whose reports and final image land here, on the test's thread.
struct Harness {
    QObject receiver;
    std::vector<Report> reports;
    std::optional<std::pair<std::optional<QImage>, std::optional<QString>>> result;
    test::SyntheticPage page;
    std::promise<void> gate;
    ScrollStitchWorker::MakeStitcher makeStitcher = [](const QImage& first) {
        return ScrollStitcher::create(first, {20000, 40000000, 48});
    };
    ScrollStitchWorker::Flip flip = ScrollStitchWorker::flippedVertically;
    std::unique_ptr<ScrollStitchWorker> worker;

    void start(ScrollStitchWorker::Options options = {}) {
        worker = std::make_unique<ScrollStitchWorker>(&receiver, options, flip, makeStitcher,
                                                      [this](const Report& r) { reports.push_back(r); });
    }
    // The first frame waits in the stitcher until the test opens the gate.
    void startHeld() {
        makeStitcher = [make = makeStitcher, open = gate.get_future().share()](const QImage& first) {
            open.wait();
            return make(first);
        };
        start();
        ASSERT_EQ(worker->enqueue(frame(0)), 1);
        ASSERT_TRUE(waitUntil([&] { return worker->isProcessing(); }));
    }
    QImage frame(int offset) const { return pageImage(page, 240, offset, 160); }
    // Each frame is stitched before the next is handed over; no report is delivered meanwhile.
    void feed(std::initializer_list<int> offsets) {
        for (int offset : offsets) {
            worker->enqueue(frame(offset));
            while (worker->pendingCount() > 0 || worker->isProcessing())
                QThread::msleep(1);
        }
    }
    void finish() {
        worker->finishReporting([this](auto image, auto reason) { result.emplace(image, reason); });
        ASSERT_TRUE(waitUntil([this] { return result.has_value(); }));
    }
};

TEST(ScrollStitchWorker, DropsTheOldestWaitingFrameAndNumbersWithoutGaps) {
    Harness h;
    h.startHeld();
    EXPECT_EQ(h.worker->enqueue(h.frame(30)), 2);
    EXPECT_EQ(h.worker->enqueue(h.frame(60)), 3);
    EXPECT_EQ(h.worker->enqueue(h.frame(90)), 4);
    EXPECT_EQ(h.worker->droppedCount(), 1);
    EXPECT_EQ(h.worker->pendingCount(), 2);
    h.gate.set_value();

    ASSERT_TRUE(waitUntil([&] { return h.reports.size() == 3; }));
    EXPECT_EQ(h.reports[0].sequence, 1);
    EXPECT_EQ(h.reports[1].sequence, 3);
    EXPECT_EQ(h.reports[2].sequence, 4);
    EXPECT_EQ(h.reports[2].frames, 3);
    EXPECT_EQ(h.reports[2].height, 250);
    h.finish();
    EXPECT_TRUE(test::imagesNear(*h.result->first, pageImage(h.page, 240, 0, 250), 0));
    EXPECT_FALSE(h.result->second);
    EXPECT_EQ(h.worker->enqueue(h.frame(120)), std::nullopt);
}

TEST(ScrollStitchWorker, PreviewsShowTheNewestRowsWithinTheirBoxUprightAtMostEveryInterval) {
    // 1000 wide: scale 0.16, so the bottom 1250 rows fill 160 × 200; the black top rows stay out.
    const QImage tall =
        test::greyImage(1000, 1300, [](int, int y) { return std::uint8_t(y < 50 ? 0 : 128); });
    const auto preview = ScrollStitchWorker::preview(tall, {160, 200});
    EXPECT_EQ(preview.value().size(), QSize(160, 200));
    EXPECT_EQ(qRed(preview->pixel(80, 0)), 128);
    // Narrower than the box: not enlarged, the bottom 200 rows as they are.
    const QImage narrow = pageImage({}, 100, 0, 500);
    EXPECT_TRUE(
        test::imagesNear(*ScrollStitchWorker::preview(narrow, {160, 200}), narrow.copy(0, 300, 100, 200), 0));
    EXPECT_FALSE(ScrollStitchWorker::preview(narrow, {0, 200}));

    // An upward capture: each frame shows rows further up the page; image and previews upright.
    for (const auto interval : {std::chrono::milliseconds(0), std::chrono::milliseconds(3600000)}) {
        Harness h;
        h.start({2, true, {160, 200}, interval});
        h.feed({300, 260, 200, 150});
        h.finish();
        ASSERT_EQ(h.reports.size(), 4u);
        for (const Report& report : h.reports) {
            ASSERT_EQ(report.preview.has_value(), report.sequence == 1 || interval.count() == 0);
            EXPECT_TRUE(!report.preview ||
                        (report.preview->width() <= 160 && report.preview->height() <= 200));
        }
        const QImage& image = *h.result->first;
        EXPECT_TRUE(test::imagesNear(image, pageImage(h.page, 240, 150, 310), 0));
        if (interval.count() > 0) continue;
        const auto top = ScrollStitchWorker::preview(image.copy(0, 0, 240, 300), {160, 200});
        EXPECT_TRUE(test::imagesNear(*h.reports.back().preview, *top, 16, 0.02));
    }
}

class UnassemblableStitcher : public ScrollStitching {
public:
    int height() const override { return 170; }
    ScrollStitchOutcome add(const QImage&) override { return ScrollStitchOutcome::appended(10); }
    std::optional<QImage> result() const override { return std::nullopt; }
};

TEST(ScrollStitchWorker, FallsBackToTheFirstFrameAndSaysWhenItMustLoseRows) {
    Harness idle;
    idle.start();
    idle.feed({0, 0});
    idle.finish();
    EXPECT_TRUE(test::imagesNear(*idle.result->first, idle.frame(0), 0));
    EXPECT_FALSE(idle.result->second);

    Harness unassemblable;
    unassemblable.makeStitcher = [](const QImage&) { return std::make_unique<UnassemblableStitcher>(); };
    unassemblable.start();
    unassemblable.feed({0, 10});
    unassemblable.finish();
    EXPECT_TRUE(test::imagesNear(*unassemblable.result->first, unassemblable.frame(0), 0));
    EXPECT_EQ(unassemblable.result->second,
              "The stitched image could not be assembled, so only the first frame was kept.");
}

TEST(ScrollStitchWorker, StopsOnRefusedFramesFailedFlipsAndStitcherStops) {
    Harness refused, unflippable, repeating;
    refused.makeStitcher = [](const QImage&) { return nullptr; };
    unflippable.flip = [](const QImage&) { return std::nullopt; };
    repeating.page.period = 60;
    for (Harness* h : {&refused, &unflippable, &repeating}) {
        h->start({2, h == &unflippable});
        h->feed({0, 25});
        ASSERT_TRUE(waitUntil([&] { return h->reports.size() == (h == &repeating ? 2u : 1u); }));
        EXPECT_FALSE(h->worker->enqueue(h->frame(0)));
    }
    EXPECT_EQ(refused.reports[0], (Report{std::nullopt, 0, 0, std::nullopt, true, false, 1}));
    EXPECT_TRUE(unflippable.reports[0].flipFailed);
    EXPECT_EQ(repeating.reports[1].outcome->kind, ScrollStitchOutcome::Kind::lowConfidence);
}

TEST(ScrollStitchWorker, NothingArrivesAfterCancellingOrDestroying) {
    Harness cancelled;
    cancelled.start();
    cancelled.feed({0, 40});
    cancelled.worker->cancel();
    EXPECT_EQ(cancelled.worker->enqueue(cancelled.frame(80)), std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cancelled.reports.empty());

    // Destroyed with a frame in the stitcher, one waiting and the final image on its way.
    Harness destroyed;
    destroyed.startHeld();
    destroyed.worker->enqueue(destroyed.frame(40));
    bool finished = false;
    destroyed.worker->finishReporting([&](auto, auto) { finished = true; });
    destroyed.gate.set_value();
    destroyed.worker.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(destroyed.reports.empty());
    EXPECT_FALSE(finished);
}

} // namespace
} // namespace quorvane
