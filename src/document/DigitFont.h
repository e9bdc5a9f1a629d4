#pragma once

#include <QFont>

namespace quorvane {

// Whether every digit of `font` has one width (tabular figures).
bool hasTabularDigits(const QFont& font);

// The system's proportional font with digits of one width, as numbers that change in place (a
// size, a count, a reading) want: `font` itself when its digits already line up, else the same
// size and weight in a sans family whose digits do. Qt offers no switch to a font's tabular
// figures, and a fully monospaced font would set the letters beside the numbers apart.
QFont tabularDigitFont(QFont font);

} // namespace quorvane
