#pragma once

// The Edit menu's commands for a text field that has the keyboard (a dialog's name field, the
// Recognized Text window's text, a sheet's number field): the field does them itself, as the
// first responder would.

#include "app/MenuCommand.h"

#include <QStringList>
#include <optional>

class QWidget;

namespace quorvane::TextFieldCommands {

// The text field that has the keyboard in `window`, or null.
QWidget* focusedField(const QWidget* window);
// Whether the field takes the command now; none for a command that is not a text field's. Paste
// takes text among `offeredFormats`, the clipboard's formats as far as known (its holder is never
// waited for here).
std::optional<bool> takes(QWidget* field, MenuCommand command, const QStringList& offeredFormats = {});
// Runs a command the field takes; false when it takes none.
bool perform(QWidget* field, MenuCommand command);

} // namespace quorvane::TextFieldCommands
