#pragma once

// Stitches the frames of one scrolling capture on its own thread. The capture hands over frames
// as they are taken; at most `capacity` wait while one is stitched, and when another arrives
// the oldest waiting one is dropped, so a slow stitch never slows the capture. After every
// frame a report (with a small preview at most every `previewInterval`) goes back to the
// receiver's thread; at the end the stitched image does.
//
// Reports and the final image are delivered by queued calls on the thread of `receiver`, the
// thread that owns the worker and calls it, and are dropped once the worker was cancelled or
// destroyed. The receiver must outlive the worker (own it). Destroying the worker never
// deadlocks: it drops the waiting frames and waits only for the frame being stitched.

#include "core/SerialWorkQueue.h"
#include "scrolling/ScrollStitchOutcome.h"
#include "scrolling/ScrollStitching.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

namespace quorvane {

class ScrollStitchWorker {
public:
    struct Report {
        std::optional<ScrollStitchOutcome> outcome; // none for the first frame and for failures
        int frames = 0;                             // frames stitched so far
        int height = 0;                             // stitched height in pixels
        std::optional<QImage> preview;
        bool failed = false;     // the stitcher refused the first frame
        bool flipFailed = false; // a frame could not be turned upside down
        int sequence = 0;        // the frame this report is about

        bool operator==(const Report& other) const;
    };

    struct Options {
        int capacity = 2;
        bool flipped = false; // upward capture: frames are turned upside down before stitching
        QSize previewSize{160, 200};
        std::chrono::milliseconds previewInterval{250};

        bool operator==(const Options&) const = default;
    };

    using Flip = std::function<std::optional<QImage>(const QImage&)>;
    using MakeStitcher = std::function<std::unique_ptr<ScrollStitching>(const QImage&)>;
    using ReportHandler = std::function<void(const Report&)>;
    // The final image, if any, and a reason that makes the result partial.
    using Completion = std::function<void(std::optional<QImage>, std::optional<QString>)>;

    ScrollStitchWorker(QObject* receiver, const Options& options, Flip flip, MakeStitcher makeStitcher,
                       ReportHandler report);
    ~ScrollStitchWorker();
    ScrollStitchWorker(const ScrollStitchWorker&) = delete;
    ScrollStitchWorker& operator=(const ScrollStitchWorker&) = delete;

    // The frame's sequence number (1, 2, … without gaps); none once the worker stopped or was
    // asked to finish.
    std::optional<int> enqueue(const QImage& frame);
    // Stitches the frames still waiting, stops, and delivers the final image: the stitched one
    // when rows were appended, else the first frame; upright for upward captures.
    void finishReporting(Completion completion);
    // Stops and drops everything; nothing more is delivered.
    void cancel();
    // Accepts no further frame; what waits is dropped.
    void stop();

    int droppedCount() const;
    bool appendedRows() const;
    bool isProcessing() const;
    int pendingCount() const;

    static std::optional<QImage> flippedVertically(const QImage& image);
    // The newest (bottom) rows of `image` scaled into `box`, never enlarged; in sRGB.
    static std::optional<QImage> preview(const QImage& image, const QSize& box);

    static QString assemblyFailedReason();
    static QString upsideDownReason();

private:
    struct Delivery;

    void drain();
    void process(const QImage& frame, int sequence);
    void halt();
    void deliver(Report report);
    std::optional<QImage> previewFor(const QImage& image) const;

    const Options options_;
    const Flip flip_;
    const MakeStitcher makeStitcher_;
    QObject* const receiver_;
    const std::shared_ptr<Delivery> delivery_;

    mutable std::mutex lock_;
    std::deque<std::pair<QImage, int>> pending_;
    int submitted_ = 0;
    bool draining_ = false;
    bool stopped_ = false;
    bool finishing_ = false;
    int droppedCount_ = 0;
    bool processing_ = false;
    bool appendedRows_ = false;

    // Worker thread only.
    std::unique_ptr<ScrollStitching> stitcher_;
    std::optional<QImage> first_;
    int frames_ = 0;
    int appended_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastPreview_;

    // Last, so that it is shut down before the members its jobs use go.
    SerialWorkQueue queue_;
};

} // namespace quorvane
