#pragma once

#include <QWidget>

namespace quorvane {

// A ruler drawn over the canvas. It stays hidden and lets the mouse through until the precision
// tools give it a measurement to show.
class RulerOverlayView : public QWidget {
    Q_OBJECT

public:
    explicit RulerOverlayView(QWidget* parent = nullptr);
};

} // namespace quorvane
