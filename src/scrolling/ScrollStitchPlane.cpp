#include "scrolling/ScrollStitchPlane.h"

#include "scrolling/RowDifferences.h"
#include "scrolling/StitchPixels.h"

#include <algorithm>
#include <cstdlib>

namespace quorvane {
namespace {

int ceilDiv(int a, int b) {
    return (a + b - 1) / b;
}

} // namespace

ScrollStitchPlane::ScrollStitchPlane(int width, int height, int matchWidth)
    : width_(width), height_(height), matchWidth_(matchWidth) {
    sampleStep_ = matchWidth > 511 ? matchWidth / 512 : 1;
    sampleCount_ = ceilDiv(matchWidth, sampleStep_);
    sampleStride_ = sampleStep_ == 1 ? width : sampleCount_;
    const int coarseWidth = matchWidth / 4;
    coarseStep_ = coarseWidth > 127 ? coarseWidth / 128 : 1;
    coarseSampleCount_ = ceilDiv(coarseWidth, coarseStep_);
    coarseHeight_ = height / 4;

    gray_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(width) * height);
    if (sampleStep_ > 1)
        samples_ =
            std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(sampleCount_) * height);
    coarse_ = std::make_unique_for_overwrite<std::uint16_t[]>(std::max<std::size_t>(
        static_cast<std::size_t>(phases) * coarseSampleCount_ * coarseHeight_, 1));
    detail_ = std::make_unique_for_overwrite<bool[]>(static_cast<std::size_t>(height));
    coarseDetail_ = std::make_unique_for_overwrite<bool[]>(
        static_cast<std::size_t>(phases) * static_cast<std::size_t>(std::max(coarseHeight_, 1)));
}

void ScrollStitchPlane::load(const QImage& frame) {
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = gray_.get() + static_cast<std::size_t>(y) * width_;
        StitchPixels::grayRow(frame, y, row);

        // A row shows detail once two steps of at least 25 grey levels are found; counted in
        // runs of 64 columns, so that most rows stop early.
        int steps = 0;
        for (int x = 1; x < matchWidth_ && steps < 2; x += 64)
            steps += RowDifferences::countAtLeast(row + x, row + x - 1, std::min(64, matchWidth_ - x), 25);
        detail_[y] = steps >= 2;

        if (sampleStep_ > 1) {
            // Locals: a byte store may alias the members, which would then be read again each time.
            const int step = sampleStep_, count = sampleCount_;
            std::uint8_t* sampled = samples_.get() + static_cast<std::size_t>(y) * sampleStride_;
            for (int i = 0; i < count; ++i)
                sampled[i] = row[i * step];
        }
    }

    for (int phase = 0; phase < phases; ++phase) {
        for (int cy = 0; cy < coarseHeight(phase); ++cy) {
            const std::size_t index = static_cast<std::size_t>(phase) * coarseHeight_ + cy;
            std::uint16_t* sums = coarse_.get() + index * coarseSampleCount_;
            std::fill(sums, sums + coarseSampleCount_, std::uint16_t{0});
            const int y = 4 * cy + phase;
            for (int dy = 0; dy < 4; ++dy) {
                const std::uint8_t* row = gray(y + dy);
                for (int i = 0; i < coarseSampleCount_; ++i) {
                    const std::uint8_t* block = row + 4 * i * coarseStep_;
                    sums[i] = static_cast<std::uint16_t>(sums[i] + block[0] + block[1] + block[2] + block[3]);
                }
            }
            coarseDetail_[index] = detail_[y] || detail_[y + 1] || detail_[y + 2] || detail_[y + 3];
        }
    }
    if (coarseHeight_ == 0) coarseDetail_[0] = false;
}

} // namespace quorvane
