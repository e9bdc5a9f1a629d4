#pragma once

#include "document/Annotation.h"

#include <QPointF>
#include <optional>

namespace quorvane {

class EditorCanvasView;

// How a drawing tool turns a drag into a new annotation, and how a Text-tool click opens a text
// box. Each step rebuilds the gesture's proposed annotation from the press point and the pointer
// alone, so the preview shows exactly what the release adds. Points are base-image pixels. GUI
// thread.
class DrawGesture {
public:
    explicit DrawGesture(EditorCanvasView& view) : view_(view) {}

    // Sets or clears the proposed annotation for a drag from `a` to `b`; leaves it alone for
    // tools that draw nothing by dragging (Select, Text, the precision tools).
    void step(const QPointF& a, const QPointF& b);
    // Opens the in-place editor on a new text box hanging from `p`; nothing outside the crop.
    void textPress(const QPointF& p);

private:
    std::optional<Annotation> built(AnnotationKind kind, const QPointF& a, const QPointF& b);
    Annotation blank(AnnotationKind kind) const;

    EditorCanvasView& view_;
};

} // namespace quorvane
