#pragma once

// Registers the global shortcuts of the five actions and turns a pressed shortcut into its action.
// GUI thread only.

#include "app/HotKeyAction.h"
#include "app/HotKeyBinding.h"
#include "app/HotKeyRegistrationError.h"
#include "core/Result.h"
#include "platform/HotKeyGrabber.h"

#include <QObject>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_set>

namespace quorvane {

class HotKeyCenter : public QObject {
    Q_OBJECT

public:
    using Bindings = std::map<HotKeyAction, HotKeyBinding>;
    using Errors = std::map<HotKeyAction, HotKeyRegistrationError>;
    using BindingSet = std::unordered_set<HotKeyBinding>;

    // Takes the next instance number. Keys are grabbed through `grabber`, which must outlive the
    // center and serve no other.
    explicit HotKeyCenter(HotKeyGrabber& grabber, QObject* parent = nullptr);
    // Releases every key and the press handler.
    ~HotKeyCenter() override;

    // Replaces every key this center holds with `bindings`; the result names each given action
    // whose key could not be registered.
    Errors registerBindings(const Bindings& bindings);
    // Whether `id` is a key registered now, in which case its action was triggered.
    bool handle(std::uint32_t id);
    // Releases every key and the press handler; a later registration starts afresh.
    void unregisterAll();

    // The registration id of an action's key: (instance << 8) + position + 1.
    std::uint32_t id(HotKeyAction action) const;

    // Done when the binding may be registered. Without a set, systemShortcuts() is used; an empty
    // set skips the comparison with the desktop's shortcuts.
    static Result<void, HotKeyRegistrationError>
    validate(const HotKeyBinding& binding, const std::optional<BindingSet>& systemShortcuts = {});
    // X11 has no list of the desktop's own shortcuts: the screenshot shortcuts stand in for them.
    static BindingSet systemShortcuts();
    // Ctrl+Alt+Super with 4, 3, R, O and L.
    static const Bindings& defaultBindings();
    // Shift+Super+3/4/5/6 and Ctrl+Shift+Super+3/4.
    static const BindingSet& reservedBindings();

Q_SIGNALS:
    // The action of a pressed shortcut.
    void triggered(HotKeyAction action);

private:
    void unregisterKeys();
    bool installHandler();

    HotKeyGrabber& grabber_;
    const std::uint32_t instance_;
    std::map<std::uint32_t, HotKeyAction> actionsById_;
    bool handlerInstalled_ = false;
};

} // namespace quorvane
