#include "app/HotKeyCenter.h"

#include "platform/X11HotKeyGrabber.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint32_t controlAltSuper = 0x1900;
constexpr std::uint32_t super = HotKeyModifier::super;
constexpr std::uint32_t shift = HotKeyModifier::shift;
using Error = HotKeyRegistrationError;

TEST(HotKeyCenter, ValidationNeedsARealModifierUnlessAFunctionKeyAndKeepsOffDesktopKeys) {
    const HotKeyCenter::BindingSet none, desktop = {{0, super}, {21, shift | super}};
    // F5 and Shift+F5 may stand alone; an empty set skips the desktop's keys.
    for (const HotKeyBinding binding :
         {HotKeyBinding{21, controlAltSuper}, {96, 0}, {96, shift}, {21, shift | super}})
        EXPECT_TRUE(HotKeyCenter::validate(binding, none).ok())
            << binding.keyCode << "/" << binding.modifiers;
    // No modifier, only Shift, right Shift as the key, no such key, the Caps Lock bit.
    for (const HotKeyBinding binding :
         {HotKeyBinding{0, shift}, {0, 0}, {60, super}, {128, super}, {0, super | 0x0400}})
        EXPECT_EQ(HotKeyCenter::validate(binding, none), Failure{Error::invalid})
            << binding.keyCode << "/" << binding.modifiers;
    EXPECT_EQ(HotKeyCenter::validate({0, super}, desktop), Failure{Error::systemShortcut});
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}, desktop), Failure{Error::screenshotShortcut});
    // Without a set, the screenshot shortcuts stand in for the desktop's own.
    EXPECT_EQ(HotKeyCenter::validate({21, shift | super}), Failure{Error::screenshotShortcut});
    EXPECT_TRUE(HotKeyCenter::validate({21, controlAltSuper}).ok());

    // Off screen no key press can ever arrive: every requested key is refused.
    X11HotKeyGrabber grabber;
    HotKeyCenter center(grabber);
    const auto errors = center.registerBindings(HotKeyCenter::defaultBindings());
    EXPECT_EQ(errors.size(), 5u);
    for (const auto& [action, error] : errors)
        EXPECT_EQ(error, Error::conflict);
}

} // namespace
} // namespace quorvane
