#pragma once

#include "editor_window/SymbolStrokes.h"

#include <QString>
#include <map>

// The symbols of the window's own controls (export buttons, the arrangement and note icons, the
// toasts), beside the tools' set in SymbolDrawing.
namespace quorvane::ChromeSymbols {

const std::map<QString, SymbolStrokes::Draw>& table();

} // namespace quorvane::ChromeSymbols
