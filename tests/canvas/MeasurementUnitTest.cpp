#include "canvas/MeasurementUnit.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(MeasurementUnit, StoredByItsCaseNameWithItsLabelSuffix) {
    for (const MeasurementUnit unit : allMeasurementUnits)
        EXPECT_EQ(measurementUnit(rawValue(unit)), unit);
    EXPECT_EQ(measurementUnit(QStringLiteral("points")), MeasurementUnit::points);
    EXPECT_FALSE(measurementUnit(QStringLiteral("Points")));
    EXPECT_FALSE(measurementUnit(QString()));
    EXPECT_EQ(labelSuffix(MeasurementUnit::pixels), "px");
    EXPECT_EQ(labelSuffix(MeasurementUnit::points), "pt");
}

} // namespace
} // namespace quorvane
