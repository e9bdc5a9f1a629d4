#include "app/HotKeyRegistration.h"

#include "app/HotKeyRegistrationError.h"
#include "app/Preferences.h"
#include "core/Log.h"

namespace quorvane {

HotKeyRegistration::HotKeyRegistration(HotKeyCenter& center, Preferences& preferences, QObject* parent)
    : QObject(parent), center_(center), preferences_(preferences) {}

void HotKeyRegistration::registerHotKeys(const HotKeyCenter::Bindings& bindings) {
    const HotKeyCenter::Errors errors = center_.registerBindings(bindings);
    preferences_.setHotKeyErrors(Preferences::hotKeyMessages(errors));
    for (const auto& [action, error] : errors)
        Log::app().error("Hotkey registration failed: {} {}", rawValue(action).toStdString(),
                         name(error).toStdString());
    Q_EMIT registered();
}

void HotKeyRegistration::reregister(const HotKeyCenter::Bindings& bindings) {
    if (activeRecorders_ > 0) return;
    registerHotKeys(bindings);
}

void HotKeyRegistration::hotKeyRecording(bool recording) {
    const int count = activeRecorders_ + (recording ? 1 : -1);
    activeRecorders_ = std::max(count, 0);
    if (count < 1)
        registerHotKeys(preferences_.hotKeys());
    else
        center_.unregisterAll();
}

} // namespace quorvane
