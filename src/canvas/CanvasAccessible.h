#pragma once

#include <QAccessibleWidget>

namespace quorvane {

class EditorCanvasView;

// What assistive technology learns of the canvas: a group labelled "Screenshot canvas" with the
// tool keys as help and the spoken summary as value.
class CanvasAccessible : public QAccessibleWidget {
public:
    explicit CanvasAccessible(EditorCanvasView* view);
    QString text(QAccessible::Text kind) const override;
    // The focus moves only where a click could move it (ClickReach).
    void doAction(const QString& actionName) override;

    // Lets Qt find this interface for every canvas view; installed once, on the first view.
    static void install();
};

} // namespace quorvane
