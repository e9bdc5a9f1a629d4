#pragma once

#include <QImage>

namespace quorvane {

// Blurs the premultiplied pixels of `image` (a 32-bit format with alpha in the fourth byte; opaque formats
// work alike) in place with three box passes per direction that together make a Gaussian of
// `sigma`. Pixels past the image's edges repeat its edge pixels, so nothing from outside bleeds
// in. The cost grows with the pixel count, not with sigma. False, with the pixels unspecified,
// when scratch memory runs out or the format has no four-byte pixels.
bool gaussianBlur(QImage& image, double sigma);

} // namespace quorvane
