#pragma once

// Mouse events as a user's hand makes them, sent straight to a canvas view: fractional positions,
// our own timestamps (presses far apart unless a double click is meant) and Qt's order of events
// for double clicks, where the second press arrives as a double-click event.

#include "CanvasViewTesting.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace quorvane::test {

class CanvasMouse {
public:
    explicit CanvasMouse(EditorCanvasView& view) : view_(view) {}

    // The view point that shows image point `p` (base-image pixels).
    QPointF at(const QPointF& p) const {
        const EditorDocument* document = view_.document();
        if (document == nullptr) {
            ADD_FAILURE() << "The canvas has no document to point at";
            return {};
        }
        const CanvasTransform t = view_.transform();
        const QPointF crop = document->cropRect().topLeft();
        return t.imageRect().topLeft() + (p - crop) * t.zoom;
    }
    QPointF at(double x, double y) const { return at(QPointF(x, y)); }

    void press(const QPointF& v, Qt::KeyboardModifiers modifiers = {}) {
        time_ += 5000;
        send(QEvent::MouseButtonPress, v, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void move(const QPointF& v, Qt::KeyboardModifiers modifiers = {}) {
        time_ += 10;
        send(QEvent::MouseMove, v, Qt::NoButton, Qt::LeftButton, modifiers);
    }
    void release(const QPointF& v, Qt::KeyboardModifiers modifiers = {}) {
        time_ += 10;
        send(QEvent::MouseButtonRelease, v, Qt::LeftButton, Qt::NoButton, modifiers);
    }
    void click(const QPointF& v, Qt::KeyboardModifiers modifiers = {}) {
        press(v, modifiers);
        release(v, modifiers);
    }
    // Press, release, double-click event, release.
    void doubleClick(const QPointF& v) {
        click(v);
        time_ += 50;
        send(QEvent::MouseButtonDblClick, v, Qt::LeftButton, Qt::LeftButton, {});
        release(v);
    }
    void tripleClick(const QPointF& v) {
        doubleClick(v);
        time_ += 50;
        send(QEvent::MouseButtonPress, v, Qt::LeftButton, Qt::LeftButton, {});
        release(v);
    }
    // Press at `from`, `steps` drag events on the way, release at `to`.
    void drag(const QPointF& from, const QPointF& to, int steps = 4, Qt::KeyboardModifiers modifiers = {}) {
        press(from, modifiers);
        for (int i = 1; i <= steps; ++i)
            move(from + (to - from) * (double(i) / steps), modifiers);
        release(to, modifiers);
    }
    void send(QEvent::Type type, const QPointF& v, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, v, view_.mapToGlobal(v), button, buttons, modifiers);
        event.setTimestamp(time_);
        QApplication::sendEvent(&view_, &event);
    }

private:
    EditorCanvasView& view_;
    quint64 time_ = 100000;
};

// A picture (200 × 100 white unless given) in a 400 × 300 view at `zoom` view units per pixel,
// with a mouse to drive it.
struct MouseCanvas : ShownCanvas {
    CanvasMouse mouse{*view};
    explicit MouseCanvas(double zoom, const QImage& image = filledImage(Qt::white, 200, 100))
        : ShownCanvas(image, {400, 300}) {
        settings.viewport().setFit(false);
        settings.viewport().setZoomFraction(zoom);
        view->refresh();
    }
};

// Undo steps on record, counted by undoing them all.
inline int undoSteps(EditorDocument& document) {
    int steps = 0;
    while (document.undoManager().canUndo() && document.undoManager().undo())
        ++steps;
    return steps;
}

} // namespace quorvane::test
