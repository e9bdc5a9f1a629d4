#include "scrolling/ScrollStitcher.h"

#include "scrolling/RowDifferences.h"
#include "scrolling/ScrollStitchPlane.h"
#include "scrolling/StitchCanvas.h"
#include "scrolling/StitchPixels.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace quorvane {
namespace {

// Grey-level thresholds, tuned for 8-bit levels.
constexpr int changedLevel = 9;
constexpr double maxScore = 2.5;
constexpr double minMargin = 1.5;
constexpr int maxCandidates = 6;
// Six candidates, each refined over ±3 rows.
constexpr int maxScored = maxCandidates * 7;

} // namespace

std::unique_ptr<ScrollStitcher> ScrollStitcher::create(const QImage& first, const Limits& limits) {
    const int width = first.width();
    const int height = first.height();
    if (width < 32 || height < 64) return nullptr;
    const int rowLimit = std::min(limits.maxPixels / width, limits.maxHeight);
    if (height > rowLimit) return nullptr;

    const QColorSpace space = StitchPixels::outputSpace(first);
    const QImage frame = StitchPixels::readable(first, space);
    if (frame.isNull()) return nullptr;
    std::unique_ptr<ScrollStitcher> stitcher(new ScrollStitcher(limits, width, height, rowLimit, space));
    stitcher->canvas_ = StitchCanvas::reserve(width, rowLimit, space);
    if (!stitcher->canvas_) return nullptr;
    stitcher->previous_->load(frame);
    stitcher->canvas_->write(frame, 0, height, 0);
    return stitcher;
}

ScrollStitcher::ScrollStitcher(const Limits& limits, int width, int height, int rowLimit,
                               const QColorSpace& space)
    : limits_(limits), height_(height), width_(width), frameHeight_(height), rowLimit_(rowLimit),
      space_(space), contentEnd_(height) {
    matchWidth_ = std::min(std::max(width - std::max(limits.scrollbarWidth, 0), width / 2), width);
    previous_ = std::make_unique<ScrollStitchPlane>(width, height, matchWidth_);
    current_ = std::make_unique<ScrollStitchPlane>(width, height, matchWidth_);
    errors_.reserve(static_cast<std::size_t>(height));
    const std::size_t coarseShifts = 2 * static_cast<std::size_t>(height / 4) + 1;
    coarseScores_.reserve(coarseShifts);
    minima_.reserve(coarseShifts);
}

ScrollStitcher::~ScrollStitcher() = default;

ScrollStitcher::Outcome ScrollStitcher::add(const QImage& frame) {
    if (stopped_) return *stopped_;
    if (frame.width() != width_ || frame.height() != frameHeight_) return Outcome::mismatched();

    const auto start = std::chrono::steady_clock::now();
    const QImage readable = StitchPixels::readable(frame, space_);
    Outcome outcome = Outcome::lowConfidence(Outcome::frameUnreadable());
    if (!readable.isNull()) {
        current_->load(readable);
        outcome = process(readable);
    }
    if (outcome.stops()) stopped_ = outcome;
    diagnostics_.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

std::optional<QImage> ScrollStitcher::result() const {
    return canvas_->image(height_);
}

ScrollStitcher::Outcome ScrollStitcher::process(const QImage& frame) {
    diagnostics_ = Diagnostics{};

    // Rows where more than a few columns changed clearly; the first and last of them bound the
    // moving band, the rows outside it are fixed header and footer.
    const int threshold = std::max(matchWidth_ / 32, 1);
    int changed = 0, firstChanged = -1, lastChanged = -1;
    for (int y = 0; y < frameHeight_; ++y) {
        const std::uint8_t* now = current_->gray(y);
        const std::uint8_t* before = previous_->gray(y);
        if (std::memcmp(now, before, static_cast<std::size_t>(matchWidth_)) == 0) continue;
        if (RowDifferences::countAtLeast(now, before, matchWidth_, changedLevel) <= threshold) continue;
        ++changed;
        if (firstChanged < 0) firstChanged = y;
        lastChanged = y;
    }
    const int top = changed == 0 ? frameHeight_ : firstChanged;
    const int bottom = changed == 0 ? 0 : frameHeight_ - 1 - lastChanged;
    const int end = frameHeight_ - bottom;
    const int span = end - top;
    diagnostics_.stickyTop = top;
    diagnostics_.stickyBottom = bottom;
    if ((frameHeight_ < 40 && changed < 3) || (frameHeight_ >= 40 && changed <= frameHeight_ / 20) ||
        span < 32)
        return Outcome::noProgress();

    const int maxShift = span - std::max(static_cast<int>(span * 0.15), 16);
    findCoarseCandidates(top, end, maxShift);

    struct Scored {
        int shift;
        double score;
    };
    std::array<Scored, maxScored> scored;
    int scoredCount = 0;
    for (int i = 0; i < candidateCount_; ++i) {
        const int centre = 4 * candidates_[i];
        for (int s = std::max(centre - 3, -maxShift); s <= std::min(centre + 3, maxShift); ++s) {
            const auto seen = std::find_if(scored.begin(), scored.begin() + scoredCount,
                                           [s](const Scored& entry) { return entry.shift == s; });
            if (seen == scored.begin() + scoredCount) scored[scoredCount++] = {s, fineScore(s, top, end)};
        }
    }
    if (scoredCount == 0) return Outcome::lowConfidence(Outcome::scrolledTooFar());

    int best = 0;
    for (int i = 1; i < scoredCount; ++i)
        if (scored[i].score < scored[best].score) best = i;
    const int shift = scored[best].shift;
    const double score = scored[best].score;
    double runnerUp = std::numeric_limits<double>::infinity();
    for (int i = 0; i < scoredCount; ++i)
        if (std::abs(scored[i].shift - shift) >= 3) runnerUp = std::min(runnerUp, scored[i].score);
    diagnostics_.shift = shift;
    diagnostics_.score = score;
    diagnostics_.runnerUp = runnerUp;

    if (!(score <= maxScore)) return Outcome::lowConfidence(Outcome::scrolledTooFar());
    if (runnerUp - score < std::max(score, minMargin))
        return Outcome::lowConfidence(Outcome::ambiguousOverlap());
    if (shift == 0) return Outcome::noProgress();

    if (!firstCut_) {
        // The first frame's rows below the moving band are its footer, already in place below
        // the cut.
        firstCut_ = end;
        contentEnd_ = end;
        bandHeight_ = bottom;
    }

    const int newContentEnd = contentEnd_ - shift;
    if (shift < 0) {
        contentEnd_ = newContentEnd;
        std::swap(previous_, current_);
        return Outcome::reversed();
    }
    // The stitched rows have left the matched band: nothing ties the frames together.
    if (newContentEnd < top) return Outcome::lowConfidence(Outcome::scrolledTooFar());
    if (newContentEnd >= end) {
        // Still making up rows scrolled back earlier.
        contentEnd_ = newContentEnd;
        std::swap(previous_, current_);
        return Outcome::noProgress();
    }
    return append(frame, newContentEnd, end, bottom);
}

ScrollStitcher::Outcome ScrollStitcher::append(const QImage& frame, int newContentEnd, int end, int bottom) {
    const int rows = end - newContentEnd;
    const int base = height_ - bandHeight_;
    const int needed = base + rows + bottom;
    if (needed <= rowLimit_) {
        if (!canvas_->prepareWrite(base)) return Outcome::lowConfidence(Outcome::outOfMemory());
        canvas_->write(frame, newContentEnd, rows, base);
        canvas_->write(frame, end, bottom, base + rows);
        bandHeight_ = bottom;
        height_ = needed;
        contentEnd_ = end;
        ++frameCount_;
        std::swap(previous_, current_);
        return Outcome::appended(rows);
    }

    // Fill up to the limit exactly with the new rows and whatever lies below them; the footer
    // goes.
    const int take = std::min(frameHeight_ - newContentEnd, rowLimit_ - base);
    if (take >= 1) {
        if (!canvas_->prepareWrite(base)) return Outcome::lowConfidence(Outcome::outOfMemory());
        canvas_->write(frame, newContentEnd, take, base);
        ++frameCount_;
    }
    bandHeight_ = 0;
    height_ = base + std::max(take, 0);
    return Outcome::limitReached();
}

void ScrollStitcher::findCoarseCandidates(int top, int end, int maxShift) {
    const int samples = previous_->coarseSampleCount();
    const std::uint64_t cap = 384 * static_cast<std::uint64_t>(samples);
    const int cTop = (top + 3) / 4;
    const int cEnd = end / 4;
    const int cMax = maxShift / 4;
    candidateCount_ = 0;
    if (cMax >= cEnd - cTop) {
        candidates_[candidateCount_++] = 0;
        return;
    }

    coarseScores_.clear();
    for (int s = -cMax; s <= cMax; ++s) {
        const int from = std::max(cTop, cTop - s), to = std::min(cEnd, cEnd - s);
        // Rows without detail on either side say nothing about the shift; they are left out
        // as long as enough rows remain that do.
        const bool skipPlain = informativeCount(from, to, s, true) >= 4;
        std::uint64_t total = 0;
        int counted = 0;
        for (int r = from; r < to; ++r) {
            if (skipPlain && !current_->coarseDetail(r) && !previous_->coarseDetail(r + s)) continue;
            total +=
                std::min(RowDifferences::sum(current_->coarse(r), previous_->coarse(r + s), samples), cap);
            ++counted;
        }
        coarseScores_.push_back(static_cast<float>(total) / static_cast<float>(counted));
    }

    // Local minima in ascending shift, then by score; ties keep the smaller shift first.
    minima_.clear();
    const int last = 2 * cMax;
    for (int i = 0; i <= last; ++i) {
        const float score = coarseScores_[i];
        if ((i == 0 || score <= coarseScores_[i - 1]) && (i == last || score <= coarseScores_[i + 1]))
            minima_.push_back(i);
    }
    std::sort(minima_.begin(), minima_.end(), [this](int a, int b) {
        return coarseScores_[a] < coarseScores_[b] || (coarseScores_[a] == coarseScores_[b] && a < b);
    });
    for (int index : minima_) {
        const int shift = index - cMax;
        const bool apart = std::all_of(candidates_.begin(), candidates_.begin() + candidateCount_,
                                       [shift](int taken) { return std::abs(taken - shift) >= 3; });
        if (!apart) continue;
        candidates_[candidateCount_++] = shift;
        if (candidateCount_ == maxCandidates) break;
    }
}

double ScrollStitcher::fineScore(int shift, int top, int end) {
    const int samples = current_->sampleCount();
    const int from = std::max(top, top - shift), to = std::min(end, end - shift);
    const bool skipPlain = informativeCount(from, to, shift, false) >= 8;
    errors_.clear();
    for (int r = from; r < to; ++r) {
        if (skipPlain && !current_->detail(r) && !previous_->detail(r + shift)) continue;
        errors_.push_back(RowDifferences::sum(current_->samples(r), previous_->samples(r + shift), samples));
    }
    // The worst tenth of the rows is ignored: a cursor or an animation there must not spoil a
    // good match.
    const std::size_t count = errors_.size();
    const std::size_t kept = count - count / 10;
    if (kept == 0) return 0;
    if (kept < count)
        std::nth_element(errors_.begin(), errors_.begin() + static_cast<std::ptrdiff_t>(kept), errors_.end());
    // Kept as whole level sums and divided once, rather than as a mean of per-row means in single
    // precision: a score of exactly 2.5, or a runner-up exactly the margin away, is then exactly
    // that, and rounding cannot tip a match across either limit.
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kept; ++i)
        total += errors_[i];
    return static_cast<double>(total) / (static_cast<double>(samples) * static_cast<double>(kept));
}

int ScrollStitcher::informativeCount(int from, int to, int shift, bool coarse) const {
    int count = 0;
    for (int r = from; r < to; ++r) {
        const bool informative = coarse ? current_->coarseDetail(r) || previous_->coarseDetail(r + shift)
                                        : current_->detail(r) || previous_->detail(r + shift);
        count += informative ? 1 : 0;
    }
    return count;
}

} // namespace quorvane
