#include "editor_window/PixelFieldEdit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quorvane {

PixelFieldEdit::PixelFieldEdit(QString hint, QWidget* parent) : QLineEdit(parent), hint_(std::move(hint)) {}

void PixelFieldEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!text().isEmpty() || hint_.isEmpty()) return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    // Where the line edit draws its own text: its contents less its margins, and the two points
    // it keeps on each side.
    const QRect area = style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                           .marginsRemoved(textMargins())
                           .adjusted(2, 0, -2, 0);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, static_cast<int>(alignment()),
                     fontMetrics().elidedText(hint_, Qt::ElideRight, area.width()));
}

} // namespace quorvane
