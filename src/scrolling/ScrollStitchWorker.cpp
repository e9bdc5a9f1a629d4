#include "scrolling/ScrollStitchWorker.h"

#include "core/AppIdentity.h"
#include "imaging/MappedBitmap.h"
#include "scrolling/StitchPixels.h"

#include <QColorSpace>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace quorvane {

// What queued calls need after the worker may be gone: whether they still count, and the
// handler to call.
struct ScrollStitchWorker::Delivery {
    std::atomic<bool> live{true};
    ReportHandler report;
};

bool ScrollStitchWorker::Report::operator==(const Report& other) const {
    return outcome == other.outcome && frames == other.frames && height == other.height &&
           preview.has_value() == other.preview.has_value() && (!preview || *preview == *other.preview) &&
           failed == other.failed && flipFailed == other.flipFailed && sequence == other.sequence;
}

ScrollStitchWorker::ScrollStitchWorker(QObject* receiver, const Options& options, Flip flip,
                                       MakeStitcher makeStitcher, ReportHandler report)
    : options_(options), flip_(std::move(flip)), makeStitcher_(std::move(makeStitcher)), receiver_(receiver),
      delivery_(std::make_shared<Delivery>()),
      queue_(QString::fromLatin1(applicationId) + QStringLiteral(".scroll-stitch")) {
    delivery_->report = std::move(report);
}

ScrollStitchWorker::~ScrollStitchWorker() {
    delivery_->live = false;
    halt();
}

QString ScrollStitchWorker::assemblyFailedReason() {
    return QStringLiteral("The stitched image could not be assembled, so only the first frame was kept.");
}

QString ScrollStitchWorker::upsideDownReason() {
    return QStringLiteral("the stitched image could not be turned upright, so it is upside down");
}

std::optional<int> ScrollStitchWorker::enqueue(const QImage& frame) {
    bool schedule = false;
    int sequence = 0;
    {
        std::lock_guard lock(lock_);
        if (stopped_ || finishing_) return std::nullopt;
        if (static_cast<int>(pending_.size()) >= std::max(options_.capacity, 1)) {
            pending_.pop_front();
            ++droppedCount_;
        }
        sequence = ++submitted_;
        pending_.emplace_back(frame, sequence);
        schedule = !draining_;
        draining_ = true;
    }
    if (schedule) queue_.post([this] { drain(); });
    return sequence;
}

void ScrollStitchWorker::drain() {
    std::unique_lock lock(lock_);
    processing_ = false;
    while (!stopped_ && !pending_.empty()) {
        processing_ = true;
        auto [frame, sequence] = std::move(pending_.front());
        pending_.pop_front();
        lock.unlock();
        if (options_.flipped) {
            if (auto flipped = flip_(frame)) {
                process(*flipped, sequence);
            } else {
                halt();
                deliver({std::nullopt, frames_, stitcher_ ? stitcher_->height() : 0, std::nullopt, false,
                         true, sequence});
            }
        } else {
            process(frame, sequence);
        }
        lock.lock();
        processing_ = false;
    }
    draining_ = false;
}

void ScrollStitchWorker::process(const QImage& frame, int sequence) {
    if (!stitcher_) {
        stitcher_ = makeStitcher_(frame);
        if (!stitcher_) {
            halt();
            deliver({std::nullopt, 0, 0, std::nullopt, true, false, sequence});
            return;
        }
        first_ = frame;
        frames_ = 1;
        lastPreview_ = std::chrono::steady_clock::now();
        deliver({std::nullopt, 1, stitcher_->height(), previewFor(frame), false, false, sequence});
        return;
    }

    const ScrollStitchOutcome outcome = stitcher_->add(frame);
    ++frames_;
    std::optional<QImage> preview;
    if (outcome.kind == ScrollStitchOutcome::Kind::appended) {
        ++appended_;
        {
            std::lock_guard lock(lock_);
            appendedRows_ = true;
        }
        // Each preview reads the whole stitched image; a few a second are plenty.
        const auto now = std::chrono::steady_clock::now();
        if (!lastPreview_ || now - *lastPreview_ >= options_.previewInterval) {
            lastPreview_ = now;
            const auto stitched = stitcher_->result();
            preview = previewFor(stitched ? *stitched : frame);
        }
    } else if (outcome.stops()) {
        halt();
    }
    deliver({outcome, frames_, stitcher_->height(), std::move(preview), false, false, sequence});
}

std::optional<QImage> ScrollStitchWorker::previewFor(const QImage& image) const {
    auto made = preview(image, options_.previewSize);
    // The user sees an upward capture the right way up.
    if (made && options_.flipped) made = flip_(*made);
    return made;
}

void ScrollStitchWorker::finishReporting(Completion completion) {
    {
        std::lock_guard lock(lock_);
        finishing_ = true;
    }
    queue_.post([this, completion = std::move(completion)] {
        drain();
        halt();
        std::optional<QImage> image = first_;
        std::optional<QString> reason;
        if (appended_ >= 1) {
            if (auto stitched = stitcher_->result()) {
                image = std::move(stitched);
            } else {
                // Without a word the user would take the first frame for the whole capture.
                reason = assemblyFailedReason();
            }
        }
        stitcher_.reset();
        first_.reset();
        if (options_.flipped && image) {
            if (auto upright = flip_(*image))
                image = std::move(upright);
            else
                reason = upsideDownReason();
        }
        QMetaObject::invokeMethod(
            receiver_,
            [delivery = delivery_, completion, image = std::move(image), reason = std::move(reason)] {
                if (delivery->live) completion(image, reason);
            },
            Qt::QueuedConnection);
    });
}

void ScrollStitchWorker::cancel() {
    delivery_->live = false;
    halt();
    queue_.post([this] {
        stitcher_.reset();
        first_.reset();
    });
}

void ScrollStitchWorker::stop() {
    halt();
}

void ScrollStitchWorker::halt() {
    std::deque<std::pair<QImage, int>> dropped;
    std::lock_guard lock(lock_);
    stopped_ = true;
    dropped.swap(pending_);
}

void ScrollStitchWorker::deliver(Report report) {
    QMetaObject::invokeMethod(
        receiver_,
        [delivery = delivery_, report = std::move(report)] {
            if (delivery->live) delivery->report(report);
        },
        Qt::QueuedConnection);
}

int ScrollStitchWorker::droppedCount() const {
    std::lock_guard lock(lock_);
    return droppedCount_;
}

bool ScrollStitchWorker::appendedRows() const {
    std::lock_guard lock(lock_);
    return appendedRows_;
}

bool ScrollStitchWorker::isProcessing() const {
    std::lock_guard lock(lock_);
    return processing_;
}

int ScrollStitchWorker::pendingCount() const {
    std::lock_guard lock(lock_);
    return static_cast<int>(pending_.size());
}

std::optional<QImage> ScrollStitchWorker::flippedVertically(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const QColorSpace space = StitchPixels::outputSpace(image);
    const QImage source = StitchPixels::readable(image, space);
    if (source.isNull()) return std::nullopt;
    const int height = source.height();
    auto flipped = MappedBitmap::image(
        source.width(), height, MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
            for (int y = 0; y < height; ++y)
                StitchPixels::copyRow(source, height - 1 - y, target.scanLine(y));
        });
    if (flipped) flipped->setColorSpace(space);
    return flipped;
}

std::optional<QImage> ScrollStitchWorker::preview(const QImage& image, const QSize& box) {
    const int width = image.width(), height = image.height();
    if (width < 1 || height < 1 || box.width() < 1 || box.height() < 1) return std::nullopt;
    const double scale = std::min(static_cast<double>(box.width()) / width, 1.0);
    // box height ÷ scale, computed from integers so that 200 ÷ (160 / 1000) is 1250, not 1249.
    const auto wanted = scale < 1 ? static_cast<std::int64_t>(box.height()) * width / box.width()
                                  : static_cast<std::int64_t>(box.height());
    const int rows = static_cast<int>(std::clamp<std::int64_t>(wanted, 1, height));

    // The newest rows, read in place.
    QImage bottom(image.constScanLine(height - rows), width, rows, image.bytesPerLine(), image.format());
    bottom.setColorSpace(image.colorSpace());
    const int outWidth = std::max(1, static_cast<int>(std::round(width * scale)));
    const int outHeight = std::max(1, static_cast<int>(std::round(rows * scale)));
    QImage scaled = bottom.scaled(outWidth, outHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    // Nothing may still point into `image`.
    if (scaled.constBits() == bottom.constBits()) scaled = scaled.copy();
    if (scaled.isNull()) return std::nullopt;
    const QColorSpace srgb(QColorSpace::SRgb);
    if (scaled.colorSpace().isValid() && scaled.colorSpace() != srgb) scaled.convertToColorSpace(srgb);
    scaled.setColorSpace(srgb);
    return scaled;
}

} // namespace quorvane
