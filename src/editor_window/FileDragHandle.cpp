#include "editor_window/FileDragHandle.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/SymbolIcons.h"

#include <QPainter>

namespace quorvane {

FileDragHandle::FileDragHandle(DragExporter& exporter, ImageSource image, Beeper& beeper,
                               const SymbolIcons& icons, QString symbol, const QString& help, QWidget* parent)
    : FileDragSource(exporter, std::move(image), beeper, parent), icons_(icons), symbol_(std::move(symbol)) {
    setFixedSize(sizeHint());
    ChromeAccessible::install();
    setToolTip(help);
    setAccessibleName(help);
}

void FileDragHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double side = 15;
    icons_.paint(painter, symbol_, QRectF(width() / 2.0 - side / 2, height() / 2.0 - side / 2, side, side),
                 palette().color(QPalette::WindowText));
}

} // namespace quorvane
