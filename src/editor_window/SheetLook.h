#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QGridLayout;
class QLineEdit;
class QWidget;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

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

// The sheet's column: 12 points between items, 20 around them, the title at the top.
QVBoxLayout* column(QDialog& sheet, const QString& title);
// A row without margins, `spacing` between its items.
QHBoxLayout* row(QWidget*& widget, QWidget* parent, int spacing = -1);
// The result line, in steady digits, and the red problem line below it.
void resultLines(QDialog& sheet, QVBoxLayout& column, QLabel*& summary, QLabel*& problemLine);
// A grid without margins on `fields`, 8 points between its cells, for pixel fields.
QGridLayout* fieldGrid(QWidget& fields);
struct PixelField {
    QLabel* label;
    QLineEdit* field;
};
// "<name>:", a right-aligned field in steady digits spoken as "<name> in pixels", and "px", on
// `row` of `grid`.
PixelField pixelField(QGridLayout& grid, int row, const QString& name);
// A push button that Return presses while it has the keyboard (ButtonReturnKey), and that leaves
// the default's frame, and a Return that comes to the sheet from a field, to the default button.
QPushButton* plainButton(const QString& title, QWidget* parent);
// The closing row: `leading` (when not null) at the left; "Cancel", which closes the sheet, and `confirm`,
// the default button, at the right. Returns the Cancel button.
QPushButton* closingRow(QDialog& sheet, QVBoxLayout& column, QPushButton* leading, QPushButton* confirm);

} // namespace quorvane::SheetLook
