#pragma once

#include <QPainter>
#include <QRectF>

namespace quorvane {

// How selection outlines and handles look: cyan normally; black under white with wider lines when
// the user asks for more contrast. The canvas drawing, the rulers and review boxes share it.
struct HighContrastStyle {
    bool enabled = false;

    bool operator==(const HighContrastStyle&) const = default;

    void strokeOutline(QPainter& painter, const QRectF& rect) const;
    void fillRoundHandle(QPainter& painter, const QRectF& rect) const;
    void fillHandle(QPainter& painter, const QRectF& rect) const;
};

} // namespace quorvane
