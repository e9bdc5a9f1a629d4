#pragma once

#include <QWidget>

namespace quorvane {

// The colour loupe over the canvas. It stays hidden and lets the mouse through until the colour
// sampler shows it under the pointer.
class ColorLoupeView : public QWidget {
    Q_OBJECT

public:
    explicit ColorLoupeView(QWidget* parent = nullptr);
};

} // namespace quorvane
