#include "editor_window/SheetLook.h"

#include "capture/AreaSelectionView.h"

#include <QLabel>
#include <QPalette>

namespace quorvane::SheetLook {
namespace {

void smaller(QLabel& label) {
    QFont font = label.font();
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.85 : 9);
    label.setFont(font);
}

} // namespace

void headline(QLabel& label) {
    QFont font = label.font();
    font.setBold(true);
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 1.15);
    label.setFont(font);
}

void secondary(QLabel& label) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label.setPalette(palette);
}

void caption(QLabel& label) {
    smaller(label);
    secondary(label);
    label.setWordWrap(true);
}

void problem(QLabel& label) {
    smaller(label);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(215, 0, 21));
    label.setPalette(palette);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.setMinimumHeight(30);
}

QFont digitFont(const QFont& font) {
    if (AreaSelectionView::hasTabularDigits(font)) return font;
    // The area picker's pill already knows which installed family has steady digits.
    QFont steady = font;
    steady.setFamilies(AreaSelectionView::pillFont(font).families());
    return steady;
}

} // namespace quorvane::SheetLook
