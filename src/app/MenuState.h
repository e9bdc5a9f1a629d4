#pragma once

// What the menus' enabling reads, asked afresh at every validation.

#include "app/MenuCommand.h"

#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

struct MenuState {
    enum class Scrolling { none, running, selectingRegion };

    std::function<bool()> busy = [] { return false; };
    // A document, no capture running and no Redact Text review open on it.
    std::function<bool()> exportable = [] { return false; };
    std::function<bool()> canRepeatArea = [] { return false; };
    std::function<bool()> hasDocument = [] { return false; };
    std::function<bool()> hasPreviousDocument = [] { return false; };
    std::function<bool()> hasLastExport = [] { return false; };
    std::function<bool()> pinsOpen = [] { return false; };
    std::function<bool()> clipboardHasImage = [] { return false; };
    std::function<Scrolling()> scrolling = [] { return Scrolling::none; };
    std::function<bool()> launchAtLoginEnabled = [] { return false; };
    // Why Launch at Login cannot be used now; none while it can.
    std::function<std::optional<QString>()> launchAtLoginUnavailable = [] { return std::nullopt; };
    // Whether the canvas that has the keyboard takes this Edit command now (Undo, Redo, Copy,
    // Duplicate, Delete, Redact Text); anything it does not take stays disabled.
    std::function<bool(MenuCommand)> canvasTakes = [](MenuCommand) { return false; };
    // While a text field outside the canvas has the keyboard: whether it takes this Edit
    // command (Undo, Redo, Copy, Paste, Select All, Delete); none otherwise.
    std::function<std::optional<bool>(MenuCommand)> textFieldTakes = [](MenuCommand) {
        return std::optional<bool>();
    };
};

} // namespace quorvane
