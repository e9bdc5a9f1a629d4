#pragma once

#include "panels/ShortcutTextSource.h"

#include <QKeySequence>
#include <functional>

namespace quorvane {

class KeyboardLayout;
class Preferences;

// The home view's shortcut texts: global hot keys from the preferences (none while one failed
// to register), menu shortcuts from the menus, all in the one formatter's form.
class PreferencesShortcutTexts : public ShortcutTextSource {
    Q_OBJECT

public:
    using MenuShortcut = std::function<QKeySequence(Command)>;

    // The preferences and the layout outlive the source.
    PreferencesShortcutTexts(Preferences& preferences, KeyboardLayout& layout, MenuShortcut menuShortcut,
                             QObject* parent = nullptr);

    std::optional<QString> text(Command command) const override;

private:
    Preferences& preferences_;
    KeyboardLayout& layout_;
    MenuShortcut menuShortcut_;
};

} // namespace quorvane
