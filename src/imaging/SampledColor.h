#pragma once

#include <QHashFunctions>
#include <QString>
#include <cstdint>

namespace quorvane {

// One colour read off an image: 8-bit straight (not premultiplied) sRGB; 255 alpha is opaque.
struct SampledColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    bool operator==(const SampledColor&) const = default;

    // "#1E90FF", with a fourth pair for alpha when it is not 255.
    QString hex() const;
    // "rgb(30, 144, 255)", or "rgba(255, 0, 0, 0.5)" when not opaque.
    QString rgbString() const;
    // Relative luminance of the linearised sRGB channels, alpha ignored.
    double luminance() const;
};

inline size_t qHash(const SampledColor& c, size_t seed = 0) {
    return ::qHash(static_cast<quint32>(c.red) << 24 | static_cast<quint32>(c.green) << 16 |
                       static_cast<quint32>(c.blue) << 8 | c.alpha,
                   seed);
}

} // namespace quorvane
