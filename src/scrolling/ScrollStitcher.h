#pragma once

// Turns the frames of one scrolling region into one tall image. Each frame is matched against
// the last accepted one (the reference) on grey-level copies; the rows that came into view at
// the bottom are appended. Rows at the top and bottom that stay put while the rest scrolls (a
// fixed header or footer) are kept once: the header from the first frame, the footer from the
// latest appended frame. Poor or ambiguous matches stop stitching instead of guessing.
//
// Only ever appends below; the worker flips frames of upward captures. Not thread-safe: one
// worker thread makes it and calls it.

#include "scrolling/ScrollStitchOutcome.h"
#include "scrolling/ScrollStitching.h"

#include <QColorSpace>
#include <QImage>
#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class ScrollStitchPlane;
class StitchCanvas;

class ScrollStitcher final : public ScrollStitching {
public:
    using Outcome = ScrollStitchOutcome;

    struct Limits {
        int maxHeight = 0;      // output rows
        int maxPixels = 0;      // output pixels; with the frame width, a row limit of its own
        int scrollbarWidth = 0; // right-hand columns left out of matching; negative counts as 0

        bool operator==(const Limits&) const = default;
    };

    // How the last matched frame was matched; for inspection only.
    struct Diagnostics {
        int shift = 0;
        double score = 0;
        double runnerUp = std::numeric_limits<double>::infinity();
        int stickyTop = 0;
        int stickyBottom = 0;
        double milliseconds = 0;

        bool operator==(const Diagnostics&) const = default;
    };

    // None for a frame narrower than 32 or lower than 64 pixels, taller than the row limit, or
    // when its copies cannot be made.
    static std::unique_ptr<ScrollStitcher> create(const QImage& first, const Limits& limits);
    ~ScrollStitcher() override;

    int height() const override { return height_; }
    Outcome add(const QImage& frame) override;
    std::optional<QImage> result() const override;

    int frameCount() const { return frameCount_; }
    int width() const { return width_; }
    int frameHeight() const { return frameHeight_; }
    const Limits& limits() const { return limits_; }
    const Diagnostics& diagnostics() const { return diagnostics_; }
    const std::optional<Outcome>& stopped() const { return stopped_; }

private:
    ScrollStitcher(const Limits& limits, int width, int height, int rowLimit, const QColorSpace& space);

    Outcome process(const QImage& frame);
    void findCoarseCandidates(int top, int end, int maxShift);
    // Fine scores look at the matched columns `left` ... `right` only.
    void setScoredColumns(int left, int right);
    double fineScore(int shift, int top, int end);
    // Rows r of from ..< to with detail in the new frame, or at r + shift in the reference.
    int informativeCount(int from, int to, int shift) const;
    Outcome append(const QImage& frame, int newContentEnd, int end, int bottom);

    Limits limits_;
    int frameCount_ = 1;
    int height_;
    int width_;
    int frameHeight_;
    int rowLimit_;
    Diagnostics diagnostics_;
    std::optional<Outcome> stopped_;
    QColorSpace space_;
    int matchWidth_;
    std::unique_ptr<ScrollStitchPlane> previous_;
    std::unique_ptr<ScrollStitchPlane> current_;
    std::unique_ptr<StitchCanvas> canvas_;
    // Row at which the first frame is cut off (footer below); set by the first accepted shift.
    std::optional<int> firstCut_;
    // Footer rows at the bottom of the output, 0 for none.
    int bandHeight_ = 0;
    // Row of the reference frame just below the last stitched content row.
    int contentEnd_;

    // Scratch, sized once so that matching allocates nothing.
    enum class RowChange : std::uint8_t { none, narrow, wide };
    std::vector<RowChange> rowChanges_;
    std::vector<std::uint32_t> errors_;
    std::vector<float> coarseScores_;
    // The block row (0 ... 3) each coarse shift scored best with.
    std::vector<int> coarsePhases_;
    std::vector<int> minima_;
    // Candidates in coarse rows, and the pixel shifts their refinement centres on.
    std::array<int, 6> candidates_{};
    std::array<int, 6> candidateCentres_{};
    // The sampled columns fine scores take: `scoredCount_` from `scoredFrom_` on.
    int scoredFrom_ = 0;
    int scoredCount_ = 1;
    int candidateCount_ = 0;
};

} // namespace quorvane
