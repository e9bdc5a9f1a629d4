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
// A row where at least this many columns changed, though no more than the width's threshold,
// changed narrowly; such rows count when they form this many separate runs.
constexpr int narrowColumns = 3;
constexpr int minNarrowRuns = 3;
// The fewest columns a fine score is taken over.
constexpr int minScoredColumns = 32;
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
    rowChanges_.resize(static_cast<std::size_t>(height));
    const std::size_t coarseShifts = 2 * static_cast<std::size_t>(height / 4) + 1;
    coarseScores_.reserve(coarseShifts);
    coarsePhases_.reserve(coarseShifts);
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
    int narrowRuns = 0;
    for (int y = 0; y < frameHeight_; ++y) {
        const std::uint8_t* now = current_->gray(y);
        const std::uint8_t* before = previous_->gray(y);
        int columns = 0;
        if (std::memcmp(now, before, static_cast<std::size_t>(matchWidth_)) != 0)
            columns = RowDifferences::countAtLeast(now, before, matchWidth_, changedLevel);
        rowChanges_[y] = columns > threshold       ? RowChange::wide
                         : columns >= narrowColumns ? RowChange::narrow
                                                    : RowChange::none;
        if (rowChanges_[y] == RowChange::narrow && (y == 0 || rowChanges_[y - 1] != RowChange::narrow))
            ++narrowRuns;
    }
    // Short lines (a terminal's numbers in a wide region) change fewer columns than the threshold,
    // and so do a blinking cursor and stray pixels, which must not pass for scrolling: narrow rows
    // count only where they stand in several separate runs, as the lines of moved content do. A
    // cursor is one run, and a change of one or two columns is no narrow row at all.
    const bool narrowCounts = narrowRuns >= minNarrowRuns;
    int changed = 0, firstChanged = -1, lastChanged = -1;
    int left = matchWidth_, right = -1;
    for (int y = 0; y < frameHeight_; ++y) {
        if (rowChanges_[y] == RowChange::none || (rowChanges_[y] == RowChange::narrow && !narrowCounts)) continue;
        ++changed;
        if (firstChanged < 0) firstChanged = y;
        lastChanged = y;
        const std::uint8_t* now = current_->gray(y);
        const std::uint8_t* before = previous_->gray(y);
        const auto differs = [&](int x) { return std::abs(now[x] - before[x]) >= changedLevel; };
        for (int x = 0; x < left; ++x)
            if (differs(x)) left = x;
        for (int x = matchWidth_ - 1; x > right; --x)
            if (differs(x)) right = x;
    }
    setScoredColumns(left, right);
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
        const int centre = candidateCentres_[i];
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
        candidates_[candidateCount_] = 0;
        candidateCentres_[candidateCount_++] = 0;
        return;
    }

    // Each coarse shift s is scored against the reference's blocks starting on each of the four
    // rows 4s ... 4s + 3 and keeps the best: content that moved by a number of rows that is no
    // multiple of 4 (a terminal's 95-row wheel click) would otherwise match its own blocks worse
    // than wrong shifts by whole lines that happen to be multiples of 4.
    coarseScores_.clear();
    coarsePhases_.clear();
    for (int s = -cMax; s <= cMax; ++s) {
        float best = std::numeric_limits<float>::infinity();
        int bestPhase = 0;
        for (int phase = 0; phase < ScrollStitchPlane::phases; ++phase) {
            if (std::abs(4 * s + phase) > maxShift) continue;
            // New coarse row r meets reference coarse row r + s of this phase; both within the band.
            const int referenceTop = std::max(top - phase + 3, 0) / 4, referenceEnd = (end - phase) / 4;
            const int from = std::max(cTop, referenceTop - s), to = std::min(cEnd, referenceEnd - s);
            // Rows without detail on either side say nothing about the shift; they are left out
            // as long as enough rows remain that do.
            int informative = 0;
            for (int r = from; r < to; ++r)
                informative += current_->coarseDetail(r) || previous_->coarseDetail(r + s, phase) ? 1 : 0;
            const bool skipPlain = informative >= 4;
            std::uint64_t total = 0;
            int counted = 0;
            for (int r = from; r < to; ++r) {
                if (skipPlain && !current_->coarseDetail(r) && !previous_->coarseDetail(r + s, phase)) continue;
                total += std::min(
                    RowDifferences::sum(current_->coarse(r), previous_->coarse(r + s, phase), samples), cap);
                ++counted;
            }
            if (counted == 0) continue;
            const float score = static_cast<float>(total) / static_cast<float>(counted);
            if (score < best) best = score, bestPhase = phase;
        }
        coarseScores_.push_back(best);
        coarsePhases_.push_back(bestPhase);
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
        candidates_[candidateCount_] = shift;
        candidateCentres_[candidateCount_++] = 4 * shift + coarsePhases_[index];
        if (candidateCount_ == maxCandidates) break;
    }
}

void ScrollStitcher::setScoredColumns(int left, int right) {
    // Columns where nothing changed add nothing to any shift's error, but would dilute every score
    // as if the content filled the region: short lines in a wide region would then match every
    // line equally well. Scores are per column of the changed part, at least 32 columns wide.
    const int wanted = std::min(minScoredColumns, matchWidth_);
    if (right < left) left = 0, right = matchWidth_ - 1;
    if (right - left + 1 < wanted) {
        left = std::clamp((left + right + 1 - wanted) / 2, 0, matchWidth_ - wanted);
        right = left + wanted - 1;
    }
    const int step = current_->sampleStep();
    scoredFrom_ = (left + step - 1) / step;
    scoredCount_ = std::max(std::min(right / step + 1, current_->sampleCount()) - scoredFrom_, 1);
}

double ScrollStitcher::fineScore(int shift, int top, int end) {
    const int samples = scoredCount_;
    const int from = std::max(top, top - shift), to = std::min(end, end - shift);
    const bool skipPlain = informativeCount(from, to, shift) >= 8;
    errors_.clear();
    for (int r = from; r < to; ++r) {
        if (skipPlain && !current_->detail(r) && !previous_->detail(r + shift)) continue;
        errors_.push_back(RowDifferences::sum(current_->samples(r) + scoredFrom_,
                                              previous_->samples(r + shift) + scoredFrom_, samples));
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

int ScrollStitcher::informativeCount(int from, int to, int shift) const {
    int count = 0;
    for (int r = from; r < to; ++r)
        count += current_->detail(r) || previous_->detail(r + shift) ? 1 : 0;
    return count;
}

} // namespace quorvane
