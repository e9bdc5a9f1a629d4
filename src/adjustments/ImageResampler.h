#pragma once

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

// Whether `image` is already in the export format: 8 bits per channel in RGBA byte order
// (premultiplied, straight or with an ignored fourth byte), tagged sRGB. ARGB32 is not: its bytes
// are BGRA in memory.
bool isSRGB8(const QImage& image);

// The pixels of `image` in sRGB: the image itself when it is tagged sRGB or untagged (taken as
// sRGB), else a converted copy in a wide format. Null when the conversion fails.
QImage sRGBColors(const QImage& image);

// The same image when it is already in the export format, else a mapped premultiplied sRGB copy.
// None for an empty image or when no bitmap can be made.
std::optional<QImage> convertToSRGB(const QImage& image);

} // namespace quorvane::ImageResampler
