#include "app/ShortcutFormatter.h"

#include "app/KeyNames.h"

#include <QStringList>
#include <array>

namespace quorvane::ShortcutFormatter {
namespace {

struct ModifierName {
    std::uint32_t mask;
    const char* symbol;
    const char* spoken;
    Qt::KeyboardModifier qt;
};

constexpr std::array<ModifierName, 4> modifierNames = {{
    {HotKeyModifier::control, "Ctrl", "Control", Qt::ControlModifier},
    {HotKeyModifier::alt, "Alt", "Alt", Qt::AltModifier},
    {HotKeyModifier::shift, "Shift", "Shift", Qt::ShiftModifier},
    {HotKeyModifier::super, "Super", "Super", Qt::MetaModifier},
}};

struct MenuKey {
    std::uint32_t keyCode;
    Qt::Key key;
};

constexpr std::array<MenuKey, 14> menuKeys = {{
    {123, Qt::Key_Left},
    {124, Qt::Key_Right},
    {126, Qt::Key_Up},
    {125, Qt::Key_Down},
    {115, Qt::Key_Home},
    {119, Qt::Key_End},
    {116, Qt::Key_PageUp},
    {121, Qt::Key_PageDown},
    {117, Qt::Key_Delete},
    {49, Qt::Key_Space},
    {36, Qt::Key_Return},
    {48, Qt::Key_Tab},
    {51, Qt::Key_Backspace},
    {53, Qt::Key_Escape},
}};

Qt::Key menuKey(std::uint32_t keyCode, KeyboardLayout& layout) {
    if (const auto number = KeyNames::functionKeyNumber(keyCode)) return Qt::Key(Qt::Key_F1 + *number - 1);
    for (const MenuKey& entry : menuKeys)
        if (entry.keyCode == keyCode) return entry.key;
    // Qt names a printable key by its upper-case character.
    const QString typed = KeyNames::character(keyCode, layout);
    if (typed.size() == 1) return Qt::Key(typed.at(0).toUpper().unicode());
    return Qt::Key_unknown;
}

} // namespace

QString modifiers(std::uint32_t mask) {
    QString text;
    for (const ModifierName& row : modifierNames)
        if ((mask & row.mask) != 0) text += QLatin1String(row.symbol) + QLatin1Char('+');
    return text;
}

QString text(const HotKeyBinding& binding, KeyboardLayout& layout) {
    return modifiers(binding.modifiers) + KeyNames::symbol(binding.keyCode, layout);
}

QString spoken(const HotKeyBinding& binding, KeyboardLayout& layout) {
    QStringList words;
    for (const ModifierName& row : modifierNames)
        if ((binding.modifiers & row.mask) != 0) words << QLatin1String(row.spoken);
    words << KeyNames::spoken(binding.keyCode, layout);
    return words.join(QLatin1Char(' '));
}

QKeyCombination menuKeyEquivalent(const HotKeyBinding& binding, KeyboardLayout& layout) {
    Qt::KeyboardModifiers flags;
    for (const ModifierName& row : modifierNames)
        if ((binding.modifiers & row.mask) != 0) flags |= row.qt;
    return QKeyCombination(flags, menuKey(binding.keyCode, layout));
}

} // namespace quorvane::ShortcutFormatter
