#include "app/KeyNames.h"

#include "platform/KeyboardLayout.h"

#include <QCoreApplication>
#include <QThread>
#include <array>
#include <string_view>

namespace quorvane::KeyNames {
namespace {

struct FunctionKey {
    std::uint32_t keyCode;
    int number;
};

constexpr std::array<FunctionKey, 20> functionKeys = {{
    {122, 1},  {120, 2},  {99, 3},   {118, 4},  {96, 5},   {97, 6},   {98, 7},  {100, 8}, {101, 9}, {109, 10},
    {103, 11}, {111, 12}, {105, 13}, {107, 14}, {113, 15}, {106, 16}, {64, 17}, {79, 18}, {80, 19}, {90, 20},
}};

struct Special {
    std::uint32_t keyCode;
    const char* symbol;
    const char* spoken;
};

constexpr std::array<Special, 17> specials = {{
    {49, "Space", "Space"},
    {36, "Return", "Return"},
    {48, "Tab", "Tab"},
    {51, "Backspace", "Backspace"},
    {117, "Delete", "Delete"},
    {53, "Esc", "Escape"},
    {123, "Left", "Left Arrow"},
    {124, "Right", "Right Arrow"},
    {126, "Up", "Up Arrow"},
    {125, "Down", "Down Arrow"},
    {115, "Home", "Home"},
    {119, "End", "End"},
    {116, "Page Up", "Page Up"},
    {121, "Page Down", "Page Down"},
    {114, "Help", "Help"},
    {76, "Enter", "Enter"},
    {71, "Clear", "Clear"},
}};

// The US ANSI characters by key code; a space stands for a key without a name here.
constexpr std::u16string_view ansi = u"ASDFHGZXCV\u00A7BQWERYT123465=97-80]OU[IP LJ'K;\\,/NM.  `";

// Linux input (evdev) code of each key code at the same place; 0 where there is no such key.
// X keycodes are these plus 8.
constexpr std::array<std::uint16_t, 128> evdev = {
    30,  31,  32,  33,  35,  34,  44,  45,  46,  47,  86,  48,  16,  17,  18,  19,  // 0-15
    21,  20,  2,   3,   4,   5,   7,   6,   13,  10,  8,   12,  9,   11,  27,  24,  // 16-31
    22,  26,  23,  25,  28,  38,  36,  40,  37,  39,  43,  51,  53,  49,  50,  52,  // 32-47
    15,  57,  41,  14,  0,   1,   126, 125, 42,  58,  56,  29,  54,  100, 97,  0,   // 48-63
    187, 83,  0,   55,  0,   78,  0,   69,  115, 114, 113, 98,  96,  0,   74,  188, // 64-79
    189, 117, 82,  79,  80,  81,  75,  76,  77,  71,  190, 72,  73,  124, 89,  95,  // 80-95
    63,  64,  65,  61,  66,  67,  123, 87,  122, 183, 186, 184, 0,   68,  127, 88,  // 96-111
    0,   185, 138, 102, 104, 111, 62,  107, 60,  109, 59,  105, 106, 108, 103, 0,   // 112-127
};
constexpr std::uint32_t x11Offset = 8;

bool onGuiThread() {
    const auto* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

const Special* special(std::uint32_t keyCode) {
    for (const Special& entry : specials)
        if (entry.keyCode == keyCode) return &entry;
    return nullptr;
}

} // namespace

std::optional<int> functionKeyNumber(std::uint32_t keyCode) {
    for (const FunctionKey& key : functionKeys)
        if (key.keyCode == keyCode) return key.number;
    return std::nullopt;
}

bool isModifierKey(std::uint32_t keyCode) {
    return keyCode >= 54 && keyCode <= 63;
}

QString character(std::uint32_t keyCode, KeyboardLayout& layout) {
    if (onGuiThread())
        if (const auto x11 = x11Keycode(keyCode))
            if (auto typed = layout.text(*x11)) return typed->toUpper();
    if (keyCode < 51 && ansi[keyCode] != u' ') return QString(QChar(ansi[keyCode]));
    return QStringLiteral("Key ") + QString::number(keyCode);
}

QString symbol(std::uint32_t keyCode, KeyboardLayout& layout) {
    if (const auto number = functionKeyNumber(keyCode)) return QStringLiteral("F") + QString::number(*number);
    if (const Special* entry = special(keyCode)) return QString::fromLatin1(entry->symbol);
    return character(keyCode, layout);
}

QString spoken(std::uint32_t keyCode, KeyboardLayout& layout) {
    if (const auto number = functionKeyNumber(keyCode)) return QStringLiteral("F") + QString::number(*number);
    if (const Special* entry = special(keyCode)) return QString::fromLatin1(entry->spoken);
    return character(keyCode, layout);
}

std::optional<std::uint32_t> x11Keycode(std::uint32_t keyCode) {
    if (keyCode >= evdev.size() || evdev[keyCode] == 0) return std::nullopt;
    return evdev[keyCode] + x11Offset;
}

std::optional<std::uint32_t> keyCode(std::uint32_t x11Keycode) {
    for (std::uint32_t code = 0; code < evdev.size(); ++code)
        if (evdev[code] != 0 && evdev[code] + x11Offset == x11Keycode) return code;
    return std::nullopt;
}

} // namespace quorvane::KeyNames
