#pragma once

// The pure state machine of a drag-scroll selection: mouse events in, what the owner must do out.

#include "scrolling/DragScrollDisplay.h"
#include "scrolling/DragScrollEdge.h"
#include "scrolling/DragScrollEvent.h"

#include <QPointF>
#include <QRectF>
#include <optional>
#include <vector>

namespace quorvane {

struct DragScrollTracker {
    struct Phase {
        enum class Kind { scrolling, waiting, selecting, finished, cancelled };
        Kind kind = Kind::waiting;
        // While scrolling: the edge zone the pointer is in, if any.
        std::optional<DragScrollEdge> edge;

        static Phase scrolling(std::optional<DragScrollEdge> edge) { return {Kind::scrolling, edge}; }
        static Phase of(Kind kind) { return {kind, std::nullopt}; }
        bool isFinal() const { return kind == Kind::finished || kind == Kind::cancelled; }
        bool operator==(const Phase&) const = default;
    };

    struct Effect {
        enum class Kind { lock, zone, select, none, redraw, finish, cancel };
        Kind kind = Kind::none;
        QRectF rect;                        // lock, select
        std::optional<DragScrollEdge> edge; // lock, zone

        static Effect lock(QRectF rect, DragScrollEdge edge) { return {Kind::lock, rect, edge}; }
        static Effect zone(std::optional<DragScrollEdge> edge) { return {Kind::zone, {}, edge}; }
        static Effect select(QRectF rect) { return {Kind::select, rect, std::nullopt}; }
        static Effect of(Kind kind) { return {kind, {}, std::nullopt}; }
        bool operator==(const Effect& other) const;
    };

    std::vector<DragScrollDisplay> displays;
    DragScrollDisplay display;
    Phase phase;
    // Where the drag started, clamped into `display`'s frame.
    std::optional<QPointF> anchor;
    // The last pointer position, not clamped.
    std::optional<QPointF> pointer;
    // What the overlay shows.
    std::optional<QRectF> selection;
    // The locked region once scrolling started.
    std::optional<QRectF> region;

    // On the display whose frame holds `start`, else the first.
    static DragScrollTracker make(std::vector<DragScrollDisplay> displays, const QPointF& start);

    Effect handle(const DragScrollEvent& event);

    bool operator==(const DragScrollTracker& other) const;
};

} // namespace quorvane
