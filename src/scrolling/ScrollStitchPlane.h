#pragma once

// The stitcher's analysis of one frame: grey levels, which rows show horizontal detail, and
// planes of 4 × 4 block sums 16 times smaller for the coarse search, one for each of the four
// rows a block can start on. Buffers are made once, at the size of the first frame, and refilled
// for every frame.

#include <QImage>
#include <cstdint>
#include <memory>

namespace quorvane {

class ScrollStitchPlane {
public:
    ScrollStitchPlane(int width, int height, int matchWidth);

    // Reads a frame of the plane's size in a layout StitchPixels can read.
    void load(const QImage& frame);

    int height() const { return height_; }
    int matchWidth() const { return matchWidth_; }
    const std::uint8_t* gray(int y) const { return gray_.get() + static_cast<std::size_t>(y) * width_; }
    bool detail(int y) const { return detail_[y]; }

    // The grey levels of every sampled column of row y (step 1 up to 511 matched columns, else
    // matchWidth / 512), `sampleCount()` of them.
    const std::uint8_t* samples(int y) const {
        return sampleStride_ == width_ ? gray(y)
                                       : samples_.get() + static_cast<std::size_t>(y) * sampleStride_;
    }
    int sampleCount() const { return sampleCount_; }
    // Sampled column i is column i × sampleStep().
    int sampleStep() const { return sampleStep_; }

    // Coarse rows cover 4 pixel rows, coarse row cy of `phase` (0 ... 3) rows 4cy + phase ...
    // 4cy + phase + 3; coarse columns 4 matched columns, sampled like the grey columns but at
    // most 255 of them (step coarseWidth / 128 above 127).
    static constexpr int phases = 4;
    int coarseHeight(int phase = 0) const { return (height_ - phase) / 4; }
    const std::uint16_t* coarse(int cy, int phase = 0) const {
        return coarse_.get() + (static_cast<std::size_t>(phase) * coarseHeight_ + cy) * coarseSampleCount_;
    }
    int coarseSampleCount() const { return coarseSampleCount_; }
    bool coarseDetail(int cy, int phase = 0) const {
        return coarseDetail_[static_cast<std::size_t>(phase) * coarseHeight_ + cy];
    }

private:
    int width_, height_, matchWidth_;
    int sampleStep_, sampleCount_, sampleStride_;
    int coarseStep_, coarseSampleCount_, coarseHeight_;
    std::unique_ptr<std::uint8_t[]> gray_;
    std::unique_ptr<std::uint8_t[]> samples_;
    std::unique_ptr<std::uint16_t[]> coarse_;
    std::unique_ptr<bool[]> detail_;
    std::unique_ptr<bool[]> coarseDetail_;
};

} // namespace quorvane
