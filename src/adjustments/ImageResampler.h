#pragma once

#include "imaging/SRGBConversion.h"

#include <QImage>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace quorvane::ImageResampler {

// Stored by its case name.
enum class Quality { highQuality, smooth, nearest };

inline constexpr std::array<Quality, 3> allQualities = {Quality::highQuality, Quality::smooth,
                                                        Quality::nearest};

QString rawValue(Quality quality);
std::optional<Quality> quality(const QString& rawValue);
// "High Quality", "Smooth", "Nearest Neighbor".
QString label(Quality quality);
QString description(Quality quality);

// Draws onto the resized pixels once they are final, in target pixels with y down. `target` is
// the image the painter draws into.
using Overlay = std::function<void(QPainter& painter, QImage& target)>;

// `image` scaled to `size` (each side rounded half away from zero) in a mapped premultiplied sRGB
// bitmap. None when a side is not finite or below 1 before rounding, or no bitmap can be made.
std::optional<QImage> resize(const QImage& image, const QSizeF& size, Quality quality,
                             const Overlay& overlay = {});

} // namespace quorvane::ImageResampler
