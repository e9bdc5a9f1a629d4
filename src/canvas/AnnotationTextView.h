#pragma once

#include "canvas/TextEditEnding.h"

#include <QPlainTextEdit>
#include <functional>

namespace quorvane {

// The text box typed into on the canvas: plain multi-line text over the annotation, with a thin
// accent border. Return adds a line, Ctrl+Return commits, Escape cancels; losing the keyboard to
// anything but a window switch, a popup or the menu bar commits.
class AnnotationTextView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit AnnotationTextView(QWidget* parent = nullptr);

    // Called with true to cancel and false to commit; none swallows Escape and Ctrl+Return.
    std::function<void(TextEditEnding)> finish;

    // The box the whole typed text takes, in view points.
    QSizeF usedSize() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Our own drags (a drag-out file) are never typed in as text.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace quorvane
