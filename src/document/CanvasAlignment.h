#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane {

enum class CanvasAlignment { left, center, right, top, middle, bottom };

inline constexpr std::array<CanvasAlignment, 6> allCanvasAlignments = {
    CanvasAlignment::left, CanvasAlignment::center, CanvasAlignment::right,
    CanvasAlignment::top,  CanvasAlignment::middle, CanvasAlignment::bottom,
};

QString rawValue(CanvasAlignment alignment);
std::optional<CanvasAlignment> canvasAlignment(const QString& rawValue);
// "Align Left", "Align Center", …
QString title(CanvasAlignment alignment);

} // namespace quorvane
