#pragma once

#include <QString>

class QAction;
class QMenu;

namespace quorvane::MenuSection {

// Adds a section title to `menu`: small secondary text set in from the menu's border as its items
// are, never chosen or highlighted. Qt's own section (addSection) draws its title against the
// border. The action's text is the title.
QAction* add(QMenu& menu, const QString& title);

} // namespace quorvane::MenuSection
