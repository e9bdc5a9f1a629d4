#pragma once

// What each item of the program's menus does, and what their enabling asks of the canvas and of
// a text field with the keyboard. The commands themselves belong to the classes named after
// them; this is the one place that says which one an item runs.

#include "app/MenuCommand.h"

#include <QStringList>
#include <optional>

namespace quorvane {

class AppDelegate;

class ShellMenus {
public:
    explicit ShellMenus(AppDelegate& shell) : shell_(shell) {}

    // Runs the item's command. A text field outside the canvas that has the keyboard does the
    // Edit commands it knows itself, as the first responder would.
    void run(MenuCommand command);

    // Whether the canvas of the active window takes this Edit command now.
    static bool canvasTakes(MenuCommand command);
    // While a text field outside the canvas has the keyboard, whether it takes the command.
    static std::optional<bool> textFieldTakes(MenuCommand command, const QStringList& offeredFormats);

private:
    AppDelegate& shell_;
};

} // namespace quorvane
