#include "app/HotKeyDispatch.h"

#include "app/CaptureCommands.h"
#include "app/HotKeyRegistrationError.h"
#include "app/Preferences.h"
#include "capture/CaptureController.h"
#include "core/Log.h"

namespace quorvane {

HotKeyDispatch::HotKeyDispatch(HotKeyCenter& center, Preferences& preferences, CaptureController& captures,
                               CaptureCommands& commands, QObject* parent)
    : QObject(parent), center_(center), preferences_(preferences), captures_(captures), commands_(commands) {}

void HotKeyDispatch::handleHotKey(HotKeyAction action) {
    if (captures_.isBusy()) return;
    if (action != HotKeyAction::scrollingCapture && scrollingInProgress()) return;
    Log::app().log("Hotkey triggered: {}", rawValue(action).toStdString());
    switch (action) {
    case HotKeyAction::captureArea:
        commands_.captureArea();
        break;
    case HotKeyAction::captureScreen:
        commands_.captureScreen();
        break;
    case HotKeyAction::repeatArea:
        if (captures_.canRepeatArea()) commands_.repeatArea();
        break;
    case HotKeyAction::recognizeArea:
        commands_.recognizeTextInArea();
        break;
    case HotKeyAction::scrollingCapture:
        commands_.scrollingCapture();
        break;
    }
}

void HotKeyDispatch::registerHotKeys(const HotKeyCenter::Bindings& bindings) {
    const HotKeyCenter::Errors errors = center_.registerBindings(bindings);
    preferences_.setHotKeyErrors(Preferences::hotKeyMessages(errors));
    for (const auto& [action, error] : errors)
        Log::app().error("Hotkey registration failed: {} {}", rawValue(action).toStdString(),
                         name(error).toStdString());
    Q_EMIT registered();
}

void HotKeyDispatch::reregister(const HotKeyCenter::Bindings& bindings) {
    if (activeRecorders_ > 0) return;
    registerHotKeys(bindings);
}

void HotKeyDispatch::hotKeyRecording(bool recording) {
    const int count = activeRecorders_ + (recording ? 1 : -1);
    activeRecorders_ = std::max(count, 0);
    if (count < 1)
        registerHotKeys(preferences_.hotKeys());
    else
        center_.unregisterAll();
}

} // namespace quorvane
