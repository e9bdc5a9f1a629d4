#include "app/HotKeyCenter.h"
#include "app/KeyNames.h"
#include "app/ShortcutFormatter.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint32_t controlAltSuper = 0x1900;
constexpr std::uint32_t super = HotKeyModifier::super;
constexpr std::uint32_t shift = HotKeyModifier::shift;

using Error = HotKeyRegistrationError;

TEST(HotKeyValidation, NeedsARealModifierUnlessAFunctionKey) {
    const HotKeyCenter::BindingSet none;
    EXPECT_EQ(HotKeyCenter::validate({21, controlAltSuper}, none), std::nullopt);
    EXPECT_EQ(HotKeyCenter::validate({0, shift}, none), Error::invalid);
    EXPECT_EQ(HotKeyCenter::validate({0, 0}, none), Error::invalid);
    EXPECT_EQ(HotKeyCenter::validate({96, 0}, none), std::nullopt);               // F5
    EXPECT_EQ(HotKeyCenter::validate({96, shift}, none), std::nullopt);           // Shift+F5
    EXPECT_EQ(HotKeyCenter::validate({60, super}, none), Error::invalid);         // right Shift
    EXPECT_EQ(HotKeyCenter::validate({128, super}, none), Error::invalid);        // no such key
    EXPECT_EQ(HotKeyCenter::validate({0, super | 0x0400}, none), Error::invalid); // Caps Lock bit
}

TEST(HotKeyValidation, DesktopShortcutsAreReserved) {
    // Without a set, the screenshot shortcuts stand in for the desktop's own.
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}), Error::screenshotShortcut);
    EXPECT_EQ(HotKeyCenter::validate({21, controlAltSuper}), std::nullopt);
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}, HotKeyCenter::BindingSet{}), std::nullopt);
    const HotKeyCenter::BindingSet desktop = {{0, super}, {21, shift | super}};
    EXPECT_EQ(HotKeyCenter::validate({0, super}, desktop), Error::systemShortcut);
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}, desktop), Error::screenshotShortcut);
    EXPECT_EQ(HotKeyCenter::systemShortcuts().size(), 6u);
}

TEST(HotKeyValidation, EmptyRegistrationNeedsNoDisplay) {
    HotKeyCenter center;
    EXPECT_TRUE(center.registerBindings({}).empty());
    // Off screen no key press can ever arrive: every requested key is refused.
    const auto errors = center.registerBindings(HotKeyCenter::defaultBindings());
    ASSERT_EQ(errors.size(), 5u);
    for (const auto& [action, error] : errors)
        EXPECT_EQ(error, Error::conflict);
}

TEST(ShortcutText, LinuxOrderAndNames) {
    EXPECT_EQ(ShortcutFormatter::modifiers(controlAltSuper), QStringLiteral("Ctrl+Alt+Super+"));
    EXPECT_EQ(ShortcutFormatter::modifiers(shift | super), QStringLiteral("Shift+Super+"));
    EXPECT_EQ(ShortcutFormatter::modifiers(0x00FF), QString());
    EXPECT_EQ(ShortcutFormatter::text({21, controlAltSuper}), QStringLiteral("Ctrl+Alt+Super+4"));
    EXPECT_EQ(ShortcutFormatter::text({96, super}), QStringLiteral("Super+F5"));
    EXPECT_EQ(ShortcutFormatter::spoken({21, controlAltSuper}), QStringLiteral("Control Alt Super 4"));
    EXPECT_EQ(ShortcutFormatter::spoken({53, 0x1000}), QStringLiteral("Control Escape"));
    EXPECT_EQ(ShortcutFormatter::spoken({123, shift | super}), QStringLiteral("Shift Super Left Arrow"));

    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({122, super}),
              QKeyCombination(Qt::MetaModifier, Qt::Key_F1));
    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({36, controlAltSuper}),
              QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, Qt::Key_Return));
    EXPECT_EQ(ShortcutFormatter::menuKeyEquivalent({15, 0x1000}),
              QKeyCombination(Qt::ControlModifier, Qt::Key_R));
}

TEST(KeyNamesTable, NamesWithoutALayout) {
    // Off screen there is no layout: the ANSI table, then "Key " and the code.
    EXPECT_EQ(KeyNames::character(0), QStringLiteral("A"));
    EXPECT_EQ(KeyNames::character(42), QStringLiteral("\\"));
    EXPECT_EQ(KeyNames::character(50), QStringLiteral("`"));
    EXPECT_EQ(KeyNames::character(36), QStringLiteral("Key 36"));
    EXPECT_EQ(KeyNames::character(200), QStringLiteral("Key 200"));
    EXPECT_EQ(KeyNames::symbol(122), QStringLiteral("F1"));
    EXPECT_EQ(KeyNames::symbol(36), QStringLiteral("Return"));
    EXPECT_EQ(KeyNames::spoken(36), QStringLiteral("Return"));
    EXPECT_EQ(KeyNames::symbol(51), QStringLiteral("Backspace"));
}

TEST(KeyNamesTable, KeyCodesMapToKeyboardPositions) {
    // X keycodes of the evdev layout: 4 is 13, R is 27, F1 is 67, Left is 113.
    EXPECT_EQ(KeyNames::x11Keycode(21), 13u);
    EXPECT_EQ(KeyNames::x11Keycode(15), 27u);
    EXPECT_EQ(KeyNames::x11Keycode(122), 67u);
    EXPECT_EQ(KeyNames::x11Keycode(123), 113u);
    EXPECT_EQ(KeyNames::x11Keycode(52), std::nullopt);
    EXPECT_EQ(KeyNames::x11Keycode(128), std::nullopt);
    int mapped = 0;
    for (std::uint32_t code = 0; code < 128; ++code)
        if (const auto x11 = KeyNames::x11Keycode(code)) {
            ++mapped;
            EXPECT_EQ(KeyNames::keyCode(*x11), code) << code;
            EXPECT_GE(*x11, 8u);
            EXPECT_LE(*x11, 255u);
        }
    EXPECT_EQ(mapped, 119);
}

TEST(HotKeyBindingCoding, RoundTripsAndRefusesBadNumbers) {
    const HotKeyBinding binding{21, controlAltSuper};
    EXPECT_EQ(HotKeyBinding::fromJson(binding.toJson()), binding);
    EXPECT_EQ(binding.toJson(), (QJsonObject{{"keyCode", 21}, {"modifiers", 6400}}));
    EXPECT_EQ(HotKeyBinding::fromJson(QJsonObject{{"keyCode", 21}}), std::nullopt);
    EXPECT_EQ(HotKeyBinding::fromJson(QJsonObject{{"keyCode", -1}, {"modifiers", 0}}), std::nullopt);
    EXPECT_EQ(HotKeyBinding::fromJson(QJsonObject{{"keyCode", 1.5}, {"modifiers", 0}}), std::nullopt);
    EXPECT_EQ(HotKeyBinding::fromJson(QJsonObject{{"keyCode", 4294967296.0}, {"modifiers", 0}}),
              std::nullopt);
    EXPECT_EQ(HotKeyBinding::fromJson(QJsonObject{{"keyCode", 4294967295.0}, {"modifiers", 0}}),
              (HotKeyBinding{4294967295u, 0}));
}

} // namespace
} // namespace quorvane
