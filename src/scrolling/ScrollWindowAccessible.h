#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// The scrolling capture's own top-level windows (the selection overlay, the outline's strips, the
// panel) as windows named by their titles: Qt gives a top-level widget of its own class the role
// of a plain filler, which screen readers do not announce as a window. A window that only draws
// (the click-through overlay and outline) shows no children: its drawing has nothing to say.
class ScrollWindowAccessible : public QAccessibleWidget {
public:
    enum class Content { controls, drawingOnly };

    ScrollWindowAccessible(QWidget* window, Content content);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    // The focus moves only where a click could move it (ClickReach).
    void doAction(const QString& actionName) override;

    // Makes `window` such a window; call before anything asks for its interface.
    static void expose(QWidget& window, Content content);

private:
    Content content_;
};

} // namespace quorvane
