#include "scrolling/ScrollStitchWorker.h"

#include "scrolling/ScrollStitcher.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"

#include <QCoreApplication>
#include <QObject>
#include <QPainter>
#include <QThread>
#include <future>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::pageImage;
using Kind = ScrollStitchOutcome::Kind;
using Report = ScrollStitchWorker::Report;

bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000 && !condition(); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return condition();
}

// A worker whose reports and final image land here, on the test's thread.
struct Harness {
    QObject receiver;
    std::vector<Report> reports;
    bool finished = false;
    std::optional<QImage> image;
    std::optional<QString> reason;
    test::SyntheticPage page;
    ScrollStitchWorker::MakeStitcher makeStitcher = [](const QImage& first) {
        return ScrollStitcher::create(first, {20000, 40000000, 48});
    };
    ScrollStitchWorker::Flip flip = ScrollStitchWorker::flippedVertically;
    std::unique_ptr<ScrollStitchWorker> worker;

    void start(ScrollStitchWorker::Options options = {}) {
        worker =
            std::make_unique<ScrollStitchWorker>(&receiver, options, flip, makeStitcher,
                                                 [this](const Report& report) { reports.push_back(report); });
    }
    QImage frame(int offset) const { return pageImage(page, 240, offset, 160); }
    // Each frame is stitched before the next is handed over; the reports are posted, none
    // delivered meanwhile.
    void feed(std::initializer_list<int> offsets) {
        for (int offset : offsets) {
            worker->enqueue(frame(offset));
            for (int i = 0; i < 10000 && (worker->pendingCount() > 0 || worker->isProcessing()); ++i)
                QThread::msleep(1);
        }
    }
    void finish() {
        worker->finishReporting([this](std::optional<QImage> i, std::optional<QString> r) {
            finished = true;
            image = std::move(i);
            reason = std::move(r);
        });
        ASSERT_TRUE(waitUntil([this] { return finished; }));
    }
    bool stopsAfterReports(std::size_t count) {
        return waitUntil([&] { return reports.size() == count; }) && !worker->enqueue(frame(0));
    }
};

// Hands out the real stitcher only once the test opens the gate.
struct Gate {
    std::promise<void> opened;
    std::shared_future<void> wait = opened.get_future().share();

    ScrollStitchWorker::MakeStitcher holding(ScrollStitchWorker::MakeStitcher make) {
        return [wait = wait, make](const QImage& first) {
            wait.wait();
            return make(first);
        };
    }
};

TEST(ScrollStitchWorker, DropsTheOldestWaitingFrameAndNumbersWithoutGaps) {
    Harness h;
    Gate gate;
    h.makeStitcher = gate.holding(h.makeStitcher);
    h.start();
    EXPECT_EQ(h.worker->enqueue(h.frame(0)), 1);
    ASSERT_TRUE(waitUntil([&] { return h.worker->isProcessing(); }));
    EXPECT_EQ(h.worker->enqueue(h.frame(30)), 2);
    EXPECT_EQ(h.worker->enqueue(h.frame(60)), 3);
    EXPECT_EQ(h.worker->droppedCount(), 0);
    EXPECT_EQ(h.worker->enqueue(h.frame(90)), 4);
    EXPECT_EQ(h.worker->droppedCount(), 1);
    EXPECT_EQ(h.worker->pendingCount(), 2);
    gate.opened.set_value();

    ASSERT_TRUE(waitUntil([&] { return h.reports.size() == 3; }));
    EXPECT_EQ(h.reports[0].sequence, 1);
    EXPECT_FALSE(h.reports[0].outcome);
    EXPECT_EQ(h.reports[1].sequence, 3);
    EXPECT_EQ(h.reports[1].outcome->kind, Kind::appended);
    EXPECT_EQ(h.reports[2].sequence, 4);
    EXPECT_EQ(h.reports[2].frames, 3);
    EXPECT_EQ(h.reports[2].height, 250);
    EXPECT_TRUE(h.worker->appendedRows());
    h.finish();
    EXPECT_TRUE(test::imagesNear(*h.image, pageImage(h.page, 240, 0, 250), 0));
    EXPECT_FALSE(h.reason);
    EXPECT_EQ(h.worker->enqueue(h.frame(120)), std::nullopt);
}

TEST(ScrollStitchWorker, PreviewsShowTheNewestRowsWithinTheirBox) {
    // 1000 wide: scale 0.16, so the bottom 1250 rows fill 160 × 200; the red top rows stay out.
    QImage tall(1000, 1300, QImage::Format_RGBA8888_Premultiplied);
    tall.fill(Qt::gray);
    QPainter(&tall).fillRect(0, 0, 1000, 50, Qt::red);
    const auto preview = ScrollStitchWorker::preview(tall, {160, 200});
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->size(), QSize(160, 200));
    EXPECT_EQ(qRed(preview->pixel(80, 0)), qRed(QColor(Qt::gray).rgb()));
    // Narrower than the box: not enlarged, the bottom 200 rows as they are.
    const QImage narrow = pageImage({}, 100, 0, 500);
    EXPECT_TRUE(
        test::imagesNear(*ScrollStitchWorker::preview(narrow, {160, 200}), narrow.copy(0, 300, 100, 200), 0));
    EXPECT_FALSE(ScrollStitchWorker::preview(narrow, {0, 200}));

    for (const auto interval : {std::chrono::milliseconds(0), std::chrono::milliseconds(3600000)}) {
        Harness h;
        h.start({2, false, {160, 200}, interval});
        h.feed({0, 40, 80, 120});
        ASSERT_TRUE(waitUntil([&] { return h.reports.size() == 4; }));
        for (const Report& report : h.reports) {
            ASSERT_EQ(report.preview.has_value(), report.sequence == 1 || interval.count() == 0);
            EXPECT_TRUE(!report.preview ||
                        (report.preview->width() <= 160 && report.preview->height() <= 200));
        }
    }
}

TEST(ScrollStitchWorker, TurnsAnUpwardCaptureUpright) {
    Harness h;
    h.start({2, true, {160, 200}, std::chrono::milliseconds(0)});
    // Scrolling up: each frame shows rows further up the page.
    h.feed({300, 260, 200, 150});
    h.finish();
    EXPECT_TRUE(test::imagesNear(*h.image, pageImage(h.page, 240, 150, 310), 0));
    // The last preview shows the newest rows, the top of the page, upright.
    ASSERT_TRUE(h.reports.back().preview);
    const QImage top = h.image->copy(0, 0, 240, 300);
    EXPECT_TRUE(
        test::imagesNear(*h.reports.back().preview, *ScrollStitchWorker::preview(top, {160, 200}), 16, 0.02));
}

// Appends rows but cannot assemble them.
class UnassemblableStitcher : public ScrollStitching {
public:
    int height() const override { return 170; }
    ScrollStitchOutcome add(const QImage&) override { return ScrollStitchOutcome::appended(10); }
    std::optional<QImage> result() const override { return std::nullopt; }
};

TEST(ScrollStitchWorker, FallsBackToTheFirstFrameAndSaysWhenItMustLoseRows) {
    Harness empty;
    empty.start();
    empty.finish();
    EXPECT_FALSE(empty.image);
    EXPECT_FALSE(empty.reason);

    for (bool flipped : {false, true}) {
        Harness idle;
        idle.start({2, flipped});
        idle.feed({0, 0});
        idle.finish();
        EXPECT_TRUE(test::imagesNear(*idle.image, idle.frame(0), 0));
        EXPECT_FALSE(idle.reason);
    }

    Harness unassemblable;
    unassemblable.makeStitcher = [](const QImage&) { return std::make_unique<UnassemblableStitcher>(); };
    unassemblable.start();
    unassemblable.feed({0, 10});
    unassemblable.finish();
    EXPECT_TRUE(test::imagesNear(*unassemblable.image, unassemblable.frame(0), 0));
    EXPECT_EQ(unassemblable.reason,
              "The stitched image could not be assembled, so only the first frame was kept.");
}

TEST(ScrollStitchWorker, StopsOnRefusedFramesFailedFlipsAndStitcherStops) {
    Harness refused;
    refused.makeStitcher = [](const QImage&) { return nullptr; };
    refused.start();
    refused.feed({0});
    ASSERT_TRUE(refused.stopsAfterReports(1));
    EXPECT_EQ(refused.reports[0], (Report{std::nullopt, 0, 0, std::nullopt, true, false, 1}));

    Harness unflippable;
    unflippable.flip = [](const QImage&) { return std::nullopt; };
    unflippable.start({2, true});
    unflippable.feed({0});
    ASSERT_TRUE(unflippable.stopsAfterReports(1));
    EXPECT_TRUE(unflippable.reports[0].flipFailed);

    Harness repeating;
    repeating.page.period = 60;
    repeating.start();
    repeating.feed({0, 25});
    ASSERT_TRUE(repeating.stopsAfterReports(2));
    EXPECT_EQ(repeating.reports[1].outcome->kind, Kind::lowConfidence);
}

TEST(ScrollStitchWorker, NothingArrivesAfterCancellingOrDestroying) {
    Harness cancelled;
    cancelled.start();
    cancelled.feed({0, 40});
    cancelled.worker->cancel();
    EXPECT_EQ(cancelled.worker->enqueue(cancelled.frame(80)), std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cancelled.reports.empty());

    // Destroyed with a final image on its way and a frame in the stitcher.
    Harness destroyed;
    Gate gate;
    destroyed.makeStitcher = gate.holding(destroyed.makeStitcher);
    destroyed.start();
    destroyed.worker->enqueue(destroyed.frame(0));
    destroyed.worker->enqueue(destroyed.frame(40));
    ASSERT_TRUE(waitUntil([&] { return destroyed.worker->isProcessing(); }));
    destroyed.worker->finishReporting([&](auto, auto) { destroyed.finished = true; });
    gate.opened.set_value();
    destroyed.worker.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(destroyed.reports.empty());
    EXPECT_FALSE(destroyed.finished);
}

} // namespace
} // namespace quorvane
