#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <optional>

namespace quorvane {

// The five actions a global hot key can start. The order matters: it gives each action its place
// in a registration id, and when two actions carry the same shortcut the earlier one keeps it.
enum class HotKeyAction { captureArea, captureScreen, repeatArea, recognizeArea, scrollingCapture };

inline constexpr std::array<HotKeyAction, 5> allHotKeyActions = {
    HotKeyAction::captureArea, HotKeyAction::captureScreen, HotKeyAction::repeatArea,
    HotKeyAction::recognizeArea, HotKeyAction::scrollingCapture};

inline constexpr std::size_t position(HotKeyAction action) {
    return static_cast<std::size_t>(action);
}

// "captureArea", …, "recognizeArea" (not the menu command's name), "scrollingCapture".
QString rawValue(HotKeyAction action);
// Exact raw values only.
std::optional<HotKeyAction> hotKeyAction(const QString& rawValue);
// The action's label in the settings form, e.g. "Recognize Text in Area".
QString label(HotKeyAction action);

} // namespace quorvane
