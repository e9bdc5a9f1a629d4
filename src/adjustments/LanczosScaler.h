#pragma once

#include <QImage>

namespace quorvane {

// Scales the premultiplied RGBA bytes of `source` into `target` (both RGBA8888_Premultiplied or
// RGBX8888, any sizes) with a separable Lanczos-3 filter, then lowers every colour channel that
// the filter's ringing pushed above its pixel's alpha. `target` must be writable without a
// detach. False when memory runs out; `target` is then unspecified.
bool lanczosScale(const QImage& source, QImage& target);

} // namespace quorvane
