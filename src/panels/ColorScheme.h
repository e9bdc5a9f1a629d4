#pragma once

#include <QPalette>

namespace quorvane {

// Light or dark, as the palette shows it: Qt 6.4 has no colour-scheme setting, so a window
// colour darker than the text colour counts as dark. Views ask again on QEvent::PaletteChange.
enum class ColorScheme { light, dark };

inline ColorScheme colorScheme(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF()
               ? ColorScheme::dark
               : ColorScheme::light;
}

} // namespace quorvane
