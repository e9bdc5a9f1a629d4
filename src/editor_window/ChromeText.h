#pragma once

#include <QKeyCombination>
#include <QString>

// Numbers and key combinations as the chrome's labels show them.
namespace quorvane::ChromeText {

// The integer part (toward zero) as plain digits; values that are not finite show "0", huge
// ones are held at ±10^15, so a label never fails.
QString wholeNumber(double value);
// `fraction` × 100 rounded half away from zero, followed by "%": 0.125 reads "13%".
QString percent(double fraction);
// "Ctrl+Shift+Z": modifiers in the Linux order, then the key.
QString shortcut(QKeyCombination combination);

} // namespace quorvane::ChromeText
