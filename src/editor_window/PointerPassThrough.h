#pragma once

#include <QObject>
#include <QPointer>

class QPointF;
class QWidget;
class QWindow;

namespace quorvane {

// Lets the pointer through a widget laid over others (a toast over the canvas) everywhere but
// over its own visible controls, which still take their clicks. Qt finds the widget under the
// pointer before any widget sees the event, so this watches the window's events and, before each
// one is delivered, makes the widget transparent for the mouse unless a control is under it.
class PointerPassThrough : public QObject {
    Q_OBJECT

public:
    // Works for `overlay`'s life; it becomes transparent at once.
    explicit PointerPassThrough(QWidget& overlay);

    // Whether a visible, enabled control of the overlay (a widget that takes focus on a click)
    // lies under the global point.
    bool controlAt(const QPointF& global) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindow();

    QWidget& overlay_;
    QPointer<QWindow> window_;
};

} // namespace quorvane
