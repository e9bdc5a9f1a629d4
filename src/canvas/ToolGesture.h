#pragma once

#include "document/Annotation.h"

#include <QPointF>
#include <QRectF>
#include <Qt>
#include <optional>

namespace quorvane {

class EditorCanvasView;

// One tool family's part of a left-button gesture: the press, each drag step and the release
// each say what the gesture proposes; the mouse router keeps the proposal and commits what the
// release leaves. Points are base-image pixels. GUI thread.
class ToolGesture {
public:
    explicit ToolGesture(EditorCanvasView& view) : view_(view) {}
    virtual ~ToolGesture() = default;
    ToolGesture(const ToolGesture&) = delete;
    ToolGesture& operator=(const ToolGesture&) = delete;

    // The press at `p`, `clickCount` 2 for a double click. Most tools wait for the drag.
    virtual void press(const QPointF& p, int clickCount);
    // What a drag from `a` to `b` proposes, given what the last step proposed.
    virtual std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                           const std::optional<Annotation>& proposed,
                                           Qt::KeyboardModifiers modifiers) = 0;
    // What the release commits of the last proposal; none commits nothing.
    virtual std::optional<Annotation> release(const std::optional<Annotation>& proposed);

protected:
    static double distance(const QPointF& a, const QPointF& b);
    // The upright rectangle with corners `a` and `b`.
    static QRectF spanned(const QPointF& a, const QPointF& b);
    // A new annotation of `kind` in the pane's current colour, stroke and fill.
    Annotation styled(AnnotationKind kind) const;
    // A new annotation starts only inside the image, wherever the drag goes afterwards.
    bool startsInImage(const QPointF& a) const;

    EditorCanvasView& view_;
};

} // namespace quorvane
