#pragma once

#include <QPointF>

namespace quorvane {

// What the drag tap reports: the left button's press, drag and release in global points, or a
// cancellation (Escape, right click).
struct DragScrollEvent {
    enum class Kind { down, drag, up, cancel };

    Kind kind = Kind::cancel;
    QPointF point;

    static DragScrollEvent down(QPointF p) { return {Kind::down, p}; }
    static DragScrollEvent drag(QPointF p) { return {Kind::drag, p}; }
    static DragScrollEvent up(QPointF p) { return {Kind::up, p}; }
    static DragScrollEvent cancel() { return {Kind::cancel, {}}; }

    bool operator==(const DragScrollEvent& other) const {
        return kind == other.kind && point.x() == other.point.x() && point.y() == other.point.y();
    }
};

} // namespace quorvane
