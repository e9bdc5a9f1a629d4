#pragma once

#include "canvas/ArrowGesture.h"
#include "canvas/BracketGesture.h"
#include "canvas/ClickCounter.h"
#include "canvas/CounterGesture.h"
#include "canvas/EraseGesture.h"
#include "canvas/FreehandGesture.h"
#include "canvas/HighlightGesture.h"
#include "canvas/MagnifierGesture.h"
#include "canvas/SelectionGesture.h"
#include "canvas/ShapeGesture.h"
#include "canvas/TextGesture.h"
#include "canvas/ToolTable.h"

#include <QPointF>
#include <QtGlobal>
#include <optional>

class QMouseEvent;

namespace quorvane {

class EditorCanvasView;

// The canvas's mouse gestures: one left-button press, drag and release does one thing, chosen
// first by the mode and then by the tool — a Redact Text review click, a crop or recognise-text
// selection, a colour sample, a ruler, a pan, a smart selection, or the tool's own gesture, which
// edits an existing annotation or draws a new one. Nothing is written to the document before the release,
// which commits at most one change. Other buttons, events out of order and unusable positions change nothing.
// GUI thread.
class CanvasMouseRouter {
public:
    static constexpr double smartClickSlop = 3.0;

    explicit CanvasMouseRouter(EditorCanvasView& view);

    // Presses and double-click events alike.
    void press(const QMouseEvent& event);
    void move(const QMouseEvent& event);
    void release(const QMouseEvent& event);
    // Clicks of the last left press: 1, 2 for a double click, 3 and more beyond.
    int clickCount() const { return clickCount_; }

private:
    void mouseDown(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void dragStep(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void mouseUp(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void invalidatePreview(const std::optional<Annotation>& old);
    void smartSelect(const QPointF& click);
    // The gesture of a tool that draws or edits annotations; none for Pan, Color and Ruler.
    ToolGesture* gestureFor(std::optional<ToolTable::Tool> tool);
    void reset();
    // Drops the gesture without committing anything.
    void abandon();
    bool documentChangedSincePress() const;
    QPointF originalPoint(const QPointF& viewPoint) const;

    EditorCanvasView& view_;
    ClickCounter clicks_;
    ArrowGesture arrow_;
    SelectionGesture selection_;
    ShapeGesture shape_;
    HighlightGesture highlight_;
    BracketGesture bracket_;
    FreehandGesture freehand_;
    CounterGesture counter_;
    MagnifierGesture magnifier_;
    EraseGesture erase_;
    TextGesture text_;
    // The gesture of the tool the left press went to, none outside a tool's drag.
    ToolGesture* pressed_ = nullptr;
    int clickCount_ = 0;
    // A left press reached us and its release has not.
    bool buttonDown_ = false;
    qint64 pressRevision_ = -1;
};

} // namespace quorvane
