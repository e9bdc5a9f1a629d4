#pragma once

#include <QFont>
#include <QKeyCombination>
#include <QString>

// Numbers, key combinations and type sizes as the chrome's labels show them.
namespace quorvane::ChromeText {

// The integer part (toward zero) as plain digits; values that are not finite show "0", huge
// ones are held at ±10^15, so a label never fails.
QString wholeNumber(double value);
// `fraction` × 100 rounded half away from zero, followed by "%": 0.125 reads "13%".
QString percent(double fraction);
// "Ctrl+Shift+Z": modifiers in the Linux order, then the key.
QString shortcut(QKeyCombination combination);
// `font` scaled by `factor`, whether it is sized in points or in pixels: the one-line bars' and
// small controls' type is a little smaller than the window's.
QFont scaled(QFont font, double factor);
inline constexpr double callout = 0.9;
// The monospaced face at the size of `base`: digits and codes that line up, in the row's size.
QFont monospaced(const QFont& base);

} // namespace quorvane::ChromeText
