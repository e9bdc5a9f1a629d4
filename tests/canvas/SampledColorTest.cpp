#include "imaging/SampledColor.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(SampledColor, HexAndRgbTexts) {
    EXPECT_EQ((SampledColor{255, 0, 0, 255}.hex()), "#FF0000");
    EXPECT_EQ((SampledColor{30, 144, 255, 128}.hex()), "#1E90FF80");
    EXPECT_EQ((SampledColor{255, 0, 0, 255}.rgbString()), "rgb(255, 0, 0)");
    EXPECT_EQ((SampledColor{255, 0, 0, 128}.rgbString()), "rgba(255, 0, 0, 0.5)");
    EXPECT_EQ((SampledColor{0, 0, 0, 0}.rgbString()), "rgba(0, 0, 0, 0)");
    EXPECT_EQ((SampledColor{0, 0, 0, 254}.rgbString()), "rgba(0, 0, 0, 1)");
}

} // namespace
} // namespace quorvane
