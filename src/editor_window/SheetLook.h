#pragma once

#include <QFont>
#include <QString>

class QLabel;

// The type and colours the adjustment sheets share.
namespace quorvane::SheetLook {

// A bold, larger title.
void headline(QLabel& label);
// Small text in the secondary colour.
void caption(QLabel& label);
// Small red text that wraps and keeps its height for two lines.
void problem(QLabel& label);
// Secondary colour at the label's own size.
void secondary(QLabel& label);
// `font` in a family whose digits all have one width, so that changing numbers do not dance.
QFont digitFont(const QFont& font);

} // namespace quorvane::SheetLook
