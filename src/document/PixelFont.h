#pragma once

#include <QFont>
#include <QPaintDevice>

namespace quorvane {

// The desktop's sans font at `pixels` user units on `device` (null: 96 dpi), fractions kept.
// Safe off the GUI thread.
QFont pixelSizedFont(double pixels, const QPaintDevice* device, QFont::Weight weight = QFont::Normal);

} // namespace quorvane
