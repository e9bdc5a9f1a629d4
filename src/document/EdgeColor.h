#pragma once

#include <QColor>
#include <QImage>

namespace quorvane {

// The dominant colour of an image's one-pixel border, composited over white: the mean of the
// most common 15-bit colour bucket; of equally common buckets the one met first (top row, bottom
// row, left column, right column) wins. Opaque white when nothing can be read. Any thread.
QColor edgeColor(const QImage& image);

} // namespace quorvane
