#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <variant>

namespace quorvane {

// sRGB with straight alpha.
struct BackdropRGBA {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;

    // The bytes of a picked colour: (0, 0, 0, 0) when it is invalid; components above 1 give 255,
    // negative or non-finite ones 0.
    static BackdropRGBA from(const QColor& color);
    QColor color() const { return QColor(red, green, blue, alpha); }
    bool operator==(const BackdropRGBA&) const = default;
};

struct BackdropSolid {
    BackdropRGBA color;
    bool operator==(const BackdropSolid&) const = default;
};

// From `first` to `second`; 0° runs left to right, 90° top to bottom.
struct BackdropGradient {
    BackdropRGBA first, second;
    int angle = 0;
    bool operator==(const BackdropGradient&) const = default;
};

struct BackdropTransparent {
    bool operator==(const BackdropTransparent&) const = default;
};

struct BackdropShadow {
    int radius = 0;  // blur, pixels
    int opacity = 0; // percent of black
    int offsetY = 0; // pixels, positive moves it down
    bool operator==(const BackdropShadow&) const = default;
};

// The frame around an exported image: the same padding on every side, a fill, rounded corners
// and an optional shadow. Every length is in whole pixels of the exported image.
struct Backdrop {
    using RGBA = BackdropRGBA;
    using Solid = BackdropSolid;
    using Gradient = BackdropGradient;
    using Transparent = BackdropTransparent;
    using Fill = std::variant<Solid, Gradient, Transparent>;
    using Shadow = BackdropShadow;

    // Stored by its case name.
    enum class Preset { tolm, ocean, sunset, graphite, paper, clear };

    Fill fill = Transparent{};
    int padding = 0;
    int cornerRadius = 0;
    std::optional<Shadow> shadow;

    bool operator==(const Backdrop&) const = default;

    // Why this backdrop cannot frame an image of `imageSize` pixels, or none.
    std::optional<QString> problem(const QSizeF& imageSize) const;
    // `scale` is export pixels per point: clamped to 0.25…8, 1 when not finite.
    static Backdrop preset(Preset preset, double scale);
    // The image's outline on the canvas: its rectangle at (padding, padding), corners rounded.
    QPainterPath imagePath(const QSizeF& imageSize) const;
    // Fill, then the shadow of the image outline outside the image. The painter's space is
    // canvas pixels with y down, mapped onto its device in any way (the shadow's offset and blur
    // follow the mapping). False when the shadow's scratch memory could not be had.
    bool drawBackground(QPainter& painter, const QSizeF& imageSize) const;
    // The image on its backdrop in a mapped bitmap; none when `problem` reports one or memory
    // cannot be had.
    std::optional<QImage> apply(const QImage& image) const;
};

inline constexpr std::array<Backdrop::Preset, 6> allBackdropPresets = {
    Backdrop::Preset::tolm,     Backdrop::Preset::ocean, Backdrop::Preset::sunset,
    Backdrop::Preset::graphite, Backdrop::Preset::paper, Backdrop::Preset::clear,
};

QString rawValue(Backdrop::Preset preset);
std::optional<Backdrop::Preset> backdropPreset(const QString& rawValue);

} // namespace quorvane
