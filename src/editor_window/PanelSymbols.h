#pragma once

#include <QString>
#include <functional>
#include <map>

class QPainter;

// The symbols of the floating panels and the home view (quick actions, capture kinds, window
// picker), drawn like SymbolDrawing's: the pen's colour in a 24 × 24 box.
namespace quorvane::PanelSymbols {

const std::map<QString, std::function<void(QPainter&)>>& drawings();

} // namespace quorvane::PanelSymbols
