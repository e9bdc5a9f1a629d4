#pragma once

// Symbols read as words at either end of a line: the icon beside a section's name in a settings
// list, a chevron at the end of a row. A symbol stands further from the text than a space and is
// a few characters without a letter or digit, or a few the engine is unsure of.

#include "platform/TextEngine.h"

namespace quorvane::SymbolWords {

// `line` without the symbols read at its start and end, its text and words alike.
void drop(TextEngine::Line& line);

} // namespace quorvane::SymbolWords
