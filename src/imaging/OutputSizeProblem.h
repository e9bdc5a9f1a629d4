#pragma once

#include <QSizeF>
#include <QString>
#include <optional>

namespace quorvane {

inline constexpr double maxOutputSide = 16'384;
inline constexpr double maxOutputPixels = 32'000'000;

// Why an image of `size` pixels cannot be made (each side rounded half away from zero first), or
// none when it can. Guards output sizes, canvas growth and the backdrop's padded size alike.
std::optional<QString> outputSizeProblem(const QSizeF& size);

} // namespace quorvane
