#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// The unit of ruler labels; stored by its case name.
enum class MeasurementUnit { pixels, points };

inline constexpr std::array<MeasurementUnit, 2> allMeasurementUnits = {MeasurementUnit::pixels,
                                                                       MeasurementUnit::points};

QString rawValue(MeasurementUnit unit);
std::optional<MeasurementUnit> measurementUnit(const QString& rawValue);
// "px" or "pt".
QString labelSuffix(MeasurementUnit unit);

} // namespace quorvane
