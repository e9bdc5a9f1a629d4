#pragma once

#include <QImage>
#include <array>
#include <optional>

namespace quorvane {

// Odd widths of three box passes whose combined variance, Σ (w² − 1) / 12, comes closest to σ²:
// three boxes in a row are a close Gaussian of that σ. All 1 (no blur) for σ ≤ 0 or not finite.
std::array<int, 3> boxBlurWidths(double sigma);

// A zero-filled (transparent) Alpha8 image over an anonymous map; none when it cannot be had.
std::optional<QImage> mappedAlphaMask(int width, int height);

// Blurs an Alpha8 `mask` in place with the three box passes of `sigma` in each direction, reading
// everything outside the mask as transparent. The time depends on the pixel count, not on σ.
// False, with the mask's pixels unspecified, when memory runs out.
bool blurAlphaMask(QImage& mask, double sigma);

} // namespace quorvane
