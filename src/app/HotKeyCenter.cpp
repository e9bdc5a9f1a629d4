#include "app/HotKeyCenter.h"

#include "app/KeyNames.h"
#include "core/Log.h"

namespace quorvane {
namespace {

std::uint32_t nextInstance = 1;

std::uint32_t takeInstance() {
    return nextInstance++; // wraps around
}

std::uint32_t grabberModifiers(std::uint32_t mask) {
    std::uint32_t modifiers = 0;
    if ((mask & HotKeyModifier::control) != 0) modifiers |= HotKeyGrabber::control;
    if ((mask & HotKeyModifier::alt) != 0) modifiers |= HotKeyGrabber::alt;
    if ((mask & HotKeyModifier::shift) != 0) modifiers |= HotKeyGrabber::shift;
    if ((mask & HotKeyModifier::super) != 0) modifiers |= HotKeyGrabber::super;
    return modifiers;
}

// The status logged for a key that has no place on the keyboard: X's BadValue.
constexpr int noSuchKey = 2;

} // namespace

HotKeyCenter::HotKeyCenter(HotKeyGrabber& grabber, QObject* parent)
    : QObject(parent), grabber_(grabber), instance_(takeInstance()) {}

HotKeyCenter::~HotKeyCenter() {
    unregisterAll();
}

std::uint32_t HotKeyCenter::id(HotKeyAction action) const {
    return (instance_ << 8) + static_cast<std::uint32_t>(position(action)) + 1;
}

void HotKeyCenter::unregisterKeys() {
    for (const auto& [id, action] : actionsById_)
        grabber_.ungrab(id);
    actionsById_.clear();
}

bool HotKeyCenter::installHandler() {
    handlerInstalled_ = grabber_.installHandler([this](std::uint32_t pressed) { handle(pressed); });
    return handlerInstalled_;
}

void HotKeyCenter::unregisterAll() {
    unregisterKeys();
    if (handlerInstalled_) grabber_.removeHandler();
    handlerInstalled_ = false;
}

HotKeyCenter::Errors HotKeyCenter::registerBindings(const Bindings& bindings) {
    unregisterKeys();
    Errors errors;
    if (bindings.empty()) return errors;
    if (!handlerInstalled_ && !installHandler()) {
        for (const auto& [action, binding] : bindings)
            errors[action] = HotKeyRegistrationError::conflict;
        return errors;
    }
    const BindingSet system = systemShortcuts();
    BindingSet accepted;
    for (HotKeyAction action : allHotKeyActions) {
        const auto given = bindings.find(action);
        if (given == bindings.end()) continue;
        const HotKeyBinding& binding = given->second;
        if (const auto valid = validate(binding, system); !valid) {
            errors[action] = valid.error();
            continue;
        }
        // An earlier action keeps a shared binding, even when its own grab fails below.
        if (!accepted.insert(binding).second) {
            errors[action] = HotKeyRegistrationError::conflict;
            continue;
        }
        const std::uint32_t keyId = id(action);
        const auto x11Keycode = KeyNames::x11Keycode(binding.keyCode);
        const Result<void, HotKeyGrabber::Refusal> grabbed =
            x11Keycode ? grabber_.grab(keyId, *x11Keycode, grabberModifiers(binding.modifiers))
                       : Failure{HotKeyGrabber::Refusal{HotKeyGrabber::Refusal::Kind::invalid, noSuchKey}};
        if (!grabbed) {
            const HotKeyGrabber::Refusal& refusal = grabbed.error();
            errors[action] = refusal.kind == HotKeyGrabber::Refusal::Kind::invalid
                                 ? HotKeyRegistrationError::invalid
                                 : HotKeyRegistrationError::conflict;
            Log::app().info("Hotkey {} unavailable ({}: {})", rawValue(action), refusal.code,
                            refusal.kind == HotKeyGrabber::Refusal::Kind::invalid
                                ? "not a key combination the X server takes"
                                : "held by another program");
            continue;
        }
        actionsById_[keyId] = action;
    }
    return errors;
}

bool HotKeyCenter::handle(std::uint32_t pressed) {
    const auto found = actionsById_.find(pressed);
    if (found == actionsById_.end()) return false;
    Q_EMIT triggered(found->second);
    return true;
}

Result<void, HotKeyRegistrationError>
HotKeyCenter::validate(const HotKeyBinding& binding, const std::optional<BindingSet>& systemShortcuts) {
    if (binding.keyCode > 127 || (binding.modifiers & ~HotKeyModifier::all) != 0)
        return Failure{HotKeyRegistrationError::invalid};
    if (KeyNames::isModifierKey(binding.keyCode)) return Failure{HotKeyRegistrationError::invalid};
    // Only function keys may stand alone or with Shift.
    if ((binding.modifiers & HotKeyModifier::nonShift) == 0 && !KeyNames::functionKeyNumber(binding.keyCode))
        return Failure{HotKeyRegistrationError::invalid};
    const BindingSet& taken = systemShortcuts ? *systemShortcuts : HotKeyCenter::systemShortcuts();
    if (!taken.contains(binding)) return {};
    return Failure{reservedBindings().contains(binding) ? HotKeyRegistrationError::screenshotShortcut
                                                        : HotKeyRegistrationError::systemShortcut};
}

HotKeyCenter::BindingSet HotKeyCenter::systemShortcuts() {
    return reservedBindings();
}

const HotKeyCenter::Bindings& HotKeyCenter::defaultBindings() {
    constexpr std::uint32_t controlAltSuper =
        HotKeyModifier::control | HotKeyModifier::alt | HotKeyModifier::super;
    static const Bindings bindings = {
        {HotKeyAction::captureArea, {HotKeyKey::digit4, controlAltSuper}},
        {HotKeyAction::captureScreen, {HotKeyKey::digit3, controlAltSuper}},
        {HotKeyAction::repeatArea, {HotKeyKey::r, controlAltSuper}},
        {HotKeyAction::recognizeArea, {HotKeyKey::o, controlAltSuper}},
        {HotKeyAction::scrollingCapture, {HotKeyKey::l, controlAltSuper}},
    };
    return bindings;
}

const HotKeyCenter::BindingSet& HotKeyCenter::reservedBindings() {
    constexpr std::uint32_t shiftSuper = HotKeyModifier::shift | HotKeyModifier::super;
    constexpr std::uint32_t controlShiftSuper = HotKeyModifier::control | shiftSuper;
    static const BindingSet bindings = {
        {HotKeyKey::digit3, shiftSuper},        {HotKeyKey::digit4, shiftSuper},
        {HotKeyKey::digit5, shiftSuper},        {HotKeyKey::digit6, shiftSuper},
        {HotKeyKey::digit3, controlShiftSuper}, {HotKeyKey::digit4, controlShiftSuper}};
    return bindings;
}

} // namespace quorvane
