#pragma once

#include "adjustments/Backdrop.h"

#include <QSizeF>
#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// The backdrop sheet's form: a backdrop as flat fields. Every field keeps its value while the
// fill or the shadow switch makes it irrelevant, so switching back restores it.
struct BackdropModel {
    // Stored by its case name.
    enum class Background { solid, gradient, transparent };

    Background background = Background::gradient;
    Backdrop::RGBA color{15, 118, 110, 255};
    Backdrop::RGBA endColor{110, 231, 183, 255};
    int angle = 45;
    int padding = 0;
    int cornerRadius = 0;
    bool shadow = false;
    int shadowRadius = 24;
    int shadowOpacity = 35;
    int shadowOffset = 8;

    // The form of `backdrop`, or of the first preset at `scale` when there is none; a backdrop
    // without a shadow takes that preset's shadow values, ready to be switched on.
    static BackdropModel of(const std::optional<Backdrop>& backdrop, double scale);

    // The backdrop the form describes, unchecked.
    Backdrop backdrop() const;
    // "1000 × 500 → 1096 × 596 px": the export size truncated, then the canvas size.
    QString summary(const QSizeF& exportSize) const;
    // Takes the preset's fill (a transparent one keeps the colours and angle), padding, corners
    // and shadow.
    void apply(Backdrop::Preset preset, double scale);

    bool operator==(const BackdropModel&) const = default;
};

inline constexpr std::array<BackdropModel::Background, 3> allBackgrounds = {
    BackdropModel::Background::solid, BackdropModel::Background::gradient,
    BackdropModel::Background::transparent};

QString rawValue(BackdropModel::Background background);
std::optional<BackdropModel::Background> backdropBackground(const QString& rawValue);
// "Solid", "Gradient", "None".
QString label(BackdropModel::Background background);
// "Tolm" … "Shadow Only".
QString displayName(Backdrop::Preset preset);

} // namespace quorvane
