#pragma once

// What the menus' enabling reads, asked afresh at every validation.

#include <functional>

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
    // Whether the canvas's action router takes Undo, Redo, Copy, Select All, Duplicate, Delete
    // and Redact Text (and Paste into a document). Until it does, those items stay disabled so
    // that their keys reach the canvas's own keyboard handling.
    std::function<bool()> canvasRouted = [] { return false; };
};

} // namespace quorvane
