#include "app/HotKeyCenter.h"
#include "app/KeyNames.h"
#include "app/ShortcutFormatter.h"
#include "platform/X11HotKeyGrabber.h"
#include "platform/X11KeyboardLayout.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint32_t controlAltSuper = 0x1900, control = 0x1000;
constexpr std::uint32_t super = HotKeyModifier::super, shift = HotKeyModifier::shift;
using Error = HotKeyRegistrationError;

TEST(HotKeyValidation, NeedsARealModifierUnlessAFunctionKeyAndKeepsOffDesktopKeys) {
    const HotKeyCenter::BindingSet none, desktop = {{0, super}, {21, shift | super}};
    // F5 and Shift+F5 may stand alone; an empty set skips the desktop's keys.
    for (const HotKeyBinding binding :
         {HotKeyBinding{21, controlAltSuper}, {96, 0}, {96, shift}, {21, shift | super}})
        EXPECT_EQ(HotKeyCenter::validate(binding, none), std::nullopt)
            << binding.keyCode << "/" << binding.modifiers;
    // No modifier, only Shift, right Shift as the key, no such key, the Caps Lock bit.
    for (const HotKeyBinding binding :
         {HotKeyBinding{0, shift}, {0, 0}, {60, super}, {128, super}, {0, super | 0x0400}})
        EXPECT_EQ(HotKeyCenter::validate(binding, none), Error::invalid)
            << binding.keyCode << "/" << binding.modifiers;
    EXPECT_EQ(HotKeyCenter::validate({0, super}, desktop), Error::systemShortcut);
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}, desktop), Error::screenshotShortcut);
    // Without a set, the screenshot shortcuts stand in for the desktop's own.
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}), Error::screenshotShortcut);
    EXPECT_EQ(HotKeyCenter::validate({21, controlAltSuper}), std::nullopt);

    // Off screen no key press can ever arrive: every requested key is refused.
    X11HotKeyGrabber grabber;
    HotKeyCenter center(grabber);
    const auto errors = center.registerBindings(HotKeyCenter::defaultBindings());
    EXPECT_EQ(errors.size(), 5u);
    for (const auto& [action, error] : errors)
        EXPECT_EQ(error, Error::conflict);
}

TEST(ShortcutText, LinuxOrderAndNamesWithoutALayout) {
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
