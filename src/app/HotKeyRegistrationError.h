#pragma once

#include <QString>

namespace quorvane {

// Why a shortcut could not be registered. The log names the case; the settings form shows
// Preferences::hotKeyMessages.
enum class HotKeyRegistrationError { conflict, systemShortcut, screenshotShortcut, invalid };

// "conflict", "systemShortcut", "screenshotShortcut", "invalid".
QString name(HotKeyRegistrationError error);

} // namespace quorvane
