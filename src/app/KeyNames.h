#pragma once

// Names of keys given by their stored key code (the ANSI numbering of HotKeyBinding), and the
// one table between those codes and X keycodes.

#include <QString>
#include <cstdint>
#include <optional>

namespace quorvane {
class KeyboardLayout;
}

namespace quorvane::KeyNames {

// F1 … F20: the function key's number, else none.
std::optional<int> functionKeyNumber(std::uint32_t keyCode);
// Shift, Ctrl, Alt, Super, Caps Lock, Fn and their right-hand twins (54 to 63).
bool isModifierKey(std::uint32_t keyCode);

// What `layout` types for the key now, in upper case; off the GUI thread or when the layout
// types nothing, the US ANSI character; else "Key " and the code.
QString character(std::uint32_t keyCode, KeyboardLayout& layout);
// "F5", a special key's short name ("Return", "Esc", "Page Up"…), else character().
QString symbol(std::uint32_t keyCode, KeyboardLayout& layout);
// "F5", a special key's spoken name ("Escape", "Left Arrow"…), else character().
QString spoken(std::uint32_t keyCode, KeyboardLayout& layout);

// The X keycode at the same place on the keyboard (evdev numbering), or none.
std::optional<std::uint32_t> x11Keycode(std::uint32_t keyCode);
// The stored key code of an X keycode, or none.
std::optional<std::uint32_t> keyCode(std::uint32_t x11Keycode);

} // namespace quorvane::KeyNames
