#pragma once

#include "export/FileDragSource.h"

#include <QString>

namespace quorvane {

class SymbolIcons;

// The status bar's handle for dragging the final image out as a file: a symbol that starts the
// drag when pressed and moved. `help`, what dragging it does, is its tool tip and its name.
class FileDragHandle : public FileDragSource {
    Q_OBJECT

public:
    FileDragHandle(DragExporter& exporter, ImageSource image, Beeper& beeper, const SymbolIcons& icons,
                   QString symbol, const QString& help, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {22, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolIcons& icons_;
    QString symbol_;
};

} // namespace quorvane
