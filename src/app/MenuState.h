#pragma once

// What the menus' enabling reads, asked afresh at every validation.

#include "app/MenuCommand.h"
#include "core/Required.h"

#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

// Every one is given: a state left out would leave its items enabled or disabled for good.
struct MenuState {
    enum class Scrolling { none, running, selectingRegion };

    Required<bool()> busy;
    // A document, no capture running and no Redact Text review open on it.
    Required<bool()> exportable;
    Required<bool()> canRepeatArea;
    Required<bool()> hasDocument;
    Required<bool()> hasPreviousDocument;
    Required<bool()> hasLastExport;
    Required<bool()> pinsOpen;
    Required<bool()> clipboardHasImage;
    Required<Scrolling()> scrolling;
    Required<bool()> launchAtLoginEnabled;
    // Why Launch at Login cannot be used now; none while it can.
    Required<std::optional<QString>()> launchAtLoginUnavailable;
    // Whether the canvas that has the keyboard takes this Edit command now (Undo, Redo, Copy,
    // Duplicate, Delete, Redact Text); anything it does not take stays disabled.
    Required<bool(MenuCommand)> canvasTakes;
    // While a text field outside the canvas has the keyboard: whether it takes this Edit
    // command (Undo, Redo, Copy, Paste, Select All, Delete); none otherwise.
    Required<std::optional<bool>(MenuCommand)> textFieldTakes;
};

} // namespace quorvane
