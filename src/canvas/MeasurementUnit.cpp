#include "canvas/MeasurementUnit.h"

namespace quorvane {

QString rawValue(MeasurementUnit unit) {
    return unit == MeasurementUnit::points ? QStringLiteral("points") : QStringLiteral("pixels");
}

std::optional<MeasurementUnit> measurementUnit(const QString& value) {
    for (MeasurementUnit unit : allMeasurementUnits)
        if (rawValue(unit) == value) return unit;
    return std::nullopt;
}

QString labelSuffix(MeasurementUnit unit) {
    return unit == MeasurementUnit::points ? QStringLiteral("pt") : QStringLiteral("px");
}

} // namespace quorvane
