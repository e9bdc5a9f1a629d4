#pragma once

// A global shortcut in its stored form: the ANSI-numbered virtual key code (0 is A, 21 is 4, 122
// is F1) and a modifier mask with the bits below. Keeping this form keeps the stored settings
// portable; KeyNames translates the key codes to X keycodes.

#include <QJsonObject>
#include <QJsonValue>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane {

namespace HotKeyModifier {
inline constexpr std::uint32_t super = 0x0100; // Command on the keyboards this numbering comes from
inline constexpr std::uint32_t shift = 0x0200;
inline constexpr std::uint32_t alt = 0x0800; // Option
inline constexpr std::uint32_t control = 0x1000;
// Every bit a registrable binding may carry.
inline constexpr std::uint32_t all = 0x1B00;
// At least one of these makes a key a shortcut rather than typing.
inline constexpr std::uint32_t nonShift = 0x1900;
} // namespace HotKeyModifier

// Key codes of that numbering by the key's name, for the bindings written in code.
namespace HotKeyKey {
inline constexpr std::uint32_t r = 15;
inline constexpr std::uint32_t digit3 = 20;
inline constexpr std::uint32_t digit4 = 21;
inline constexpr std::uint32_t digit6 = 22;
inline constexpr std::uint32_t digit5 = 23;
inline constexpr std::uint32_t o = 31;
inline constexpr std::uint32_t l = 37;
} // namespace HotKeyKey

struct HotKeyBinding {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;

    bool operator==(const HotKeyBinding&) const = default;

    // {"keyCode": n, "modifiers": n}
    QJsonObject toJson() const;
    // None when either member is missing or not an unsigned 32-bit integer.
    static std::optional<HotKeyBinding> fromJson(const QJsonValue& value);
};

} // namespace quorvane

template<>
struct std::hash<quorvane::HotKeyBinding> {
    std::size_t operator()(const quorvane::HotKeyBinding& binding) const noexcept {
        return std::hash<std::uint64_t>()((std::uint64_t{binding.keyCode} << 32) | binding.modifiers);
    }
};
