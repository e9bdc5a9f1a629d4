#pragma once

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace quorvane::test {

// Compares premultiplied RGBA bytes: sizes must match, and at most `maxBadFraction` of the
// pixels may differ by more than `tolerance` in any channel.
::testing::AssertionResult imagesNear(const QImage& actual, const QImage& expected, int tolerance,
                                      double maxBadFraction = 0);

// Compares with tests/data/golden/<name>.png. With QUORVANE_UPDATE_GOLDEN set, writes the actual
// image there instead (review the new file before committing it). On a mismatch the actual
// image is written next to the build for inspection.
::testing::AssertionResult matchesGolden(const QImage& actual, const QString& name, int tolerance,
                                         double maxBadFraction = 0);

} // namespace quorvane::test
