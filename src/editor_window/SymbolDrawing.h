#pragma once

#include <QString>
#include <QStringList>

class QPainter;

// Our own symbol set, drawn with the painter's pen in a 24 × 24 box (the caller scales the
// painter); fills use the pen's colour.
namespace quorvane::SymbolDrawing {

const QStringList& names();
// False, drawing nothing, for a name the set does not have.
bool draw(QPainter& painter, const QString& name);

} // namespace quorvane::SymbolDrawing
