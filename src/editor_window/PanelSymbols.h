#pragma once

#include <QString>
#include <QStringList>

class QPainter;

// The symbols of the floating panels and the home view (quick actions, capture kinds, window
// picker), drawn like SymbolDrawing's: the pen's colour in a 24 × 24 box.
namespace quorvane::PanelSymbols {

const QStringList& names();
bool draw(QPainter& painter, const QString& name);

} // namespace quorvane::PanelSymbols
