#include "app/ShortcutFormatter.h"

#include "app/KeyNames.h"
#include "platform/X11KeyboardLayout.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint32_t controlAltSuper = 0x1900;
constexpr std::uint32_t control = 0x1000;
constexpr std::uint32_t super = HotKeyModifier::super;
constexpr std::uint32_t shift = HotKeyModifier::shift;

TEST(ShortcutFormatter, LinuxOrderAndNamesWithoutALayout) {
    // Off screen the X server's layout types nothing.
    X11KeyboardLayout layout;
    // A binding as shown and as spoken.
    const auto shown = [&](const HotKeyBinding& binding) {
        return ShortcutFormatter::text(binding, layout) + " | " + ShortcutFormatter::spoken(binding, layout);
    };
    EXPECT_EQ(shown({21, controlAltSuper}), "Ctrl+Alt+Super+4 | Control Alt Super 4");
    EXPECT_EQ(shown({96, super}), "Super+F5 | Super F5");
    EXPECT_EQ(shown({53, control}), "Ctrl+Esc | Control Escape");
    EXPECT_EQ(shown({123, shift | super}), "Shift+Super+Left | Shift Super Left Arrow");
    EXPECT_EQ(shown({36, 0}), "Return | Return");
    // Off screen there is no layout: the ANSI table, then "Key " and the code.
    EXPECT_EQ(shown({0, 0}), "A | A");
    EXPECT_EQ(shown({42, 0}), "\\ | \\");
    EXPECT_EQ(shown({52, 0}), "Key 52 | Key 52");
    // A blank in the ANSI table is no name either.
    EXPECT_EQ(KeyNames::character(36, layout), QStringLiteral("Key 36"));
    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({122, super}, layout),
              QKeyCombination(Qt::MetaModifier, Qt::Key_F1));
    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({36, controlAltSuper}, layout),
              QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, Qt::Key_Return));
    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({15, control}, layout),
              QKeyCombination(Qt::ControlModifier, Qt::Key_R));
}

} // namespace
} // namespace quorvane
