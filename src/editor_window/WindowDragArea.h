#pragma once

#include <QWidget>

namespace quorvane {

// A background that behaves like a title bar: dragging it moves the window through the window
// manager, and a double click maximises the window or restores it. Presses on controls laid
// over it stay with the controls; presses that a child ignores arrive here.
class WindowDragArea : public QWidget {
    Q_OBJECT

public:
    explicit WindowDragArea(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Set by a left press until the drag starts or the button is released.
    bool pressed_ = false;
    QPointF pressAt_;
};

} // namespace quorvane
