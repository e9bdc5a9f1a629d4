#pragma once

#include <QString>
#include <cstdint>

namespace quorvane {

// How one integer slider of the backdrop sheet reads and writes its field: a drag stores the
// nearest multiple of the step, an accessibility or keyboard increment moves by a fiftieth of the
// range (at least one step) and clamps, and the value is spoken with its unit word.
struct SliderRule {
    int lower = 0;
    int upper = 0;
    int step = 1;
    // "px", "%" or "°".
    QString unit;

    // The field's value for a slider position `value`.
    int snapped(double value) const;
    // The amount one increment adds.
    int adjustmentStep() const;
    // `value` moved one increment up or down, within the range.
    int adjusted(std::int64_t value, bool up) const;
    // "48 pixels", "35 percent", "45 degrees".
    QString accessibilityValue(std::int64_t value) const;
    // "48 px", "35 %", "45 °".
    QString valueText(std::int64_t value) const;
};

} // namespace quorvane
