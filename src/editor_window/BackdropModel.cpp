#include "editor_window/BackdropModel.h"

#include "editor_window/ChromeText.h"

#include <cmath>

namespace quorvane {
namespace {

constexpr Backdrop::RGBA firstColor{15, 118, 110, 255};
constexpr Backdrop::RGBA secondColor{110, 231, 183, 255};

// Takes the fill of `fill` into the form; a transparent fill keeps the colours and angle.
void takeFill(BackdropModel& model, const Backdrop::Fill& fill) {
    if (const auto* solid = std::get_if<Backdrop::Solid>(&fill)) {
        model.background = BackdropModel::Background::solid;
        model.color = solid->color;
    } else if (const auto* gradient = std::get_if<Backdrop::Gradient>(&fill)) {
        model.background = BackdropModel::Background::gradient;
        model.color = gradient->first;
        model.endColor = gradient->second;
        model.angle = gradient->angle;
    } else {
        model.background = BackdropModel::Background::transparent;
    }
}

void takeShadow(BackdropModel& model, const Backdrop::Shadow& shadow) {
    model.shadowRadius = shadow.radius;
    model.shadowOpacity = shadow.opacity;
    model.shadowOffset = shadow.offsetY;
}

} // namespace

BackdropModel BackdropModel::of(const std::optional<Backdrop>& backdrop, double scale) {
    const Backdrop fallback = Backdrop::preset(Backdrop::Preset::tolm, scale);
    const Backdrop& b = backdrop ? *backdrop : fallback;
    BackdropModel model;
    model.color = firstColor;
    model.endColor = secondColor;
    model.angle = 45;
    takeFill(model, b.fill);
    model.padding = b.padding;
    model.cornerRadius = b.cornerRadius;
    model.shadow = b.shadow.has_value();
    if (b.shadow)
        takeShadow(model, *b.shadow);
    else if (fallback.shadow)
        takeShadow(model, *fallback.shadow);
    return model;
}

Backdrop BackdropModel::backdrop() const {
    Backdrop result;
    switch (background) {
    case Background::solid:
        result.fill = Backdrop::Solid{color};
        break;
    case Background::gradient:
        result.fill = Backdrop::Gradient{color, endColor, angle};
        break;
    case Background::transparent:
        result.fill = Backdrop::Transparent{};
        break;
    }
    result.padding = padding;
    result.cornerRadius = cornerRadius;
    if (shadow) result.shadow = Backdrop::Shadow{shadowRadius, shadowOpacity, shadowOffset};
    return result;
}

QString BackdropModel::summary(const QSizeF& exportSize) const {
    const double grown = 2.0 * padding;
    return QStringLiteral("%1 × %2 → %3 × %4 px")
        .arg(ChromeText::wholeNumber(exportSize.width()), ChromeText::wholeNumber(exportSize.height()),
             ChromeText::wholeNumber(std::round(exportSize.width()) + grown),
             ChromeText::wholeNumber(std::round(exportSize.height()) + grown));
}

void BackdropModel::apply(Backdrop::Preset preset, double scale) {
    const Backdrop made = Backdrop::preset(preset, scale);
    takeFill(*this, made.fill);
    padding = made.padding;
    cornerRadius = made.cornerRadius;
    shadow = made.shadow.has_value();
    if (made.shadow) takeShadow(*this, *made.shadow);
}

QString rawValue(BackdropModel::Background background) {
    switch (background) {
    case BackdropModel::Background::solid:
        return QStringLiteral("solid");
    case BackdropModel::Background::gradient:
        return QStringLiteral("gradient");
    case BackdropModel::Background::transparent:
        break;
    }
    return QStringLiteral("transparent");
}

std::optional<BackdropModel::Background> backdropBackground(const QString& value) {
    for (const auto background : allBackgrounds)
        if (rawValue(background) == value) return background;
    return std::nullopt;
}

QString label(BackdropModel::Background background) {
    switch (background) {
    case BackdropModel::Background::solid:
        return QStringLiteral("Solid");
    case BackdropModel::Background::gradient:
        return QStringLiteral("Gradient");
    case BackdropModel::Background::transparent:
        break;
    }
    return QStringLiteral("None");
}

QString displayName(Backdrop::Preset preset) {
    switch (preset) {
    case Backdrop::Preset::tolm:
        return QStringLiteral("Tolm");
    case Backdrop::Preset::ocean:
        return QStringLiteral("Ocean");
    case Backdrop::Preset::sunset:
        return QStringLiteral("Sunset");
    case Backdrop::Preset::graphite:
        return QStringLiteral("Graphite");
    case Backdrop::Preset::paper:
        return QStringLiteral("Paper");
    case Backdrop::Preset::clear:
        break;
    }
    return QStringLiteral("Shadow Only");
}

} // namespace quorvane
