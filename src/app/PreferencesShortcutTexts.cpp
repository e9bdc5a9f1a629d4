#include "app/PreferencesShortcutTexts.h"

#include "app/Preferences.h"
#include "app/ShortcutFormatter.h"

namespace quorvane {
namespace {

std::optional<HotKeyAction> hotKeyOf(ShortcutTextSource::Command command) {
    using Command = ShortcutTextSource::Command;
    switch (command) {
    case Command::captureArea:
        return HotKeyAction::captureArea;
    case Command::captureScreen:
        return HotKeyAction::captureScreen;
    case Command::recognizeArea:
        return HotKeyAction::recognizeArea;
    case Command::repeatArea:
        return HotKeyAction::repeatArea;
    case Command::openImage:
    case Command::showSettings:
        break;
    }
    return std::nullopt;
}

} // namespace

PreferencesShortcutTexts::PreferencesShortcutTexts(Preferences& preferences, KeyboardLayout& layout,
                                                   MenuShortcut menuShortcut, QObject* parent)
    : ShortcutTextSource(parent), preferences_(preferences), layout_(layout),
      menuShortcut_(std::move(menuShortcut)) {
    connect(&preferences_, &Preferences::hotKeysChanged, this, &ShortcutTextSource::changed);
    connect(&preferences_, &Preferences::hotKeyErrorsChanged, this, &ShortcutTextSource::changed);
}

std::optional<QString> PreferencesShortcutTexts::text(Command command) const {
    const std::optional<HotKeyAction> action = hotKeyOf(command);
    if (!action) {
        const QKeySequence keys = menuShortcut_ ? menuShortcut_(command) : QKeySequence();
        if (keys.isEmpty()) return std::nullopt;
        return keys.toString(QKeySequence::PortableText);
    }
    // A hot key that failed to register would not work: it shows no shortcut.
    if (preferences_.hotKeyErrors().count(*action) != 0) return std::nullopt;
    const auto binding = preferences_.hotKeys().find(*action);
    if (binding == preferences_.hotKeys().end()) return std::nullopt;
    return ShortcutFormatter::text(binding->second, layout_);
}

} // namespace quorvane
