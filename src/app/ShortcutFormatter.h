#pragma once

// The one place where a shortcut becomes text: modifiers in the order Ctrl, Alt, Shift, Super,
// as Linux desktops write them ("Ctrl+Alt+Super+4", spoken "Control Alt Super 4").

#include "app/HotKeyBinding.h"

#include <QKeyCombination>
#include <QString>

namespace quorvane {
class KeyboardLayout;
}

namespace quorvane::ShortcutFormatter {

// Each modifier of the mask followed by "+" ("Ctrl+Alt+Super+" for Ctrl, Alt and Super); other
// bits are ignored, and no modifier gives the empty text.
QString modifiers(std::uint32_t mask);
// Keys are named as `layout` types them.
// modifiers() followed by the key's symbol: "Ctrl+Alt+Super+4", "Super+F5".
QString text(const HotKeyBinding& binding, KeyboardLayout& layout);
// The modifiers' names and the key's spoken name joined by spaces: "Control Alt Super 4".
QString spoken(const HotKeyBinding& binding, KeyboardLayout& layout);
// The binding as a menu shortcut (Super is Qt's Meta); Qt::Key_unknown for a key Qt cannot name.
QKeyCombination menuKeyEquivalent(const HotKeyBinding& binding, KeyboardLayout& layout);

} // namespace quorvane::ShortcutFormatter
