#pragma once

#include "canvas/TextEditEnding.h"

#include <QPlainTextEdit>
#include <functional>

namespace quorvane {

// The text box typed into on the canvas: plain multi-line text over the annotation, with a thin
// accent border. Return adds a line, Ctrl+Return commits, Escape cancels; losing the keyboard to
// anything but a window switch, a popup or the menu bar commits. It holds up to `longestText`
// characters, however they come in.
class AnnotationTextView : public QPlainTextEdit {
    Q_OBJECT

public:
    // Qt lays out a line with no place to break it in time that grows with the square of its
    // length, on every change: past this, a pasted line would hold up the window for seconds.
    static constexpr qsizetype longestText = 4096;

    explicit AnnotationTextView(QWidget* parent = nullptr);

    // Puts `text` in at the cursor, over the selection, as far as it fits below `longestText`.
    void insertText(const QString& text);

    // Called with true to cancel and false to commit; none swallows Escape and Ctrl+Return.
    std::function<void(TextEditEnding)> finish;

    // The box the whole typed text takes, in view points.
    QSizeF usedSize() const;

Q_SIGNALS:
    // Text was left out for want of room.
    void textCut();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Our own drags (a drag-out file) are never typed in as text.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Qt's own paste and drops of text.
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Characters that may still come in over the selection.
    qsizetype room() const;
};

} // namespace quorvane
