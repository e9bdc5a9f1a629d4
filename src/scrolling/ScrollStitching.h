#pragma once

#include "scrolling/ScrollStitchOutcome.h"

#include <QImage>
#include <optional>

namespace quorvane {

// What the stitch worker needs of a stitcher. Every call comes from the worker's one thread.
class ScrollStitching {
public:
    virtual ~ScrollStitching() = default;

    // Height in pixels of the image stitched so far.
    virtual int height() const = 0;
    // Offers the next frame, in capture order.
    virtual ScrollStitchOutcome add(const QImage& frame) = 0;
    // The image stitched so far; none when it cannot be made. Changes nothing.
    virtual std::optional<QImage> result() const = 0;
};

} // namespace quorvane
