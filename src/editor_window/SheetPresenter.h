#pragma once

#include <QObject>
#include <QPointer>
#include <deque>

class QDialog;
class QWidget;

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// Shows the adjustment sheets on the editor window, one at a time, as window-modal dialogs.
// Each request first commits in-place text editing. The shell's Resize Image, Backdrop and
// Expand Canvas commands call it. GUI thread.
class SheetPresenter : public QObject {
    Q_OBJECT

public:
    explicit SheetPresenter(QWidget& window, QObject* parent = nullptr);
    ~SheetPresenter() override;

    // Whether the window shows a sheet: one of ours or any other window-modal dialog on it.
    bool showsSheet() const;
    // The sheet this presenter shows, none while there is none.
    QDialog* sheet() const { return sheet_; }

    // Opens the resize sheet for `document`; while the window shows a sheet it waits and opens
    // once the window is free (and only if the document still exists). Nothing without a document.
    void presentResize(EditorDocument* document, EditorCanvasSettings* settings);
    // Opens the backdrop sheet for `document`; false, doing nothing, without a document or while
    // the window shows a sheet.
    bool presentBackdrop(EditorDocument* document, EditorCanvasSettings* settings);
    // Opens the expand-canvas sheet, as presentBackdrop does.
    bool presentExpandCanvas(EditorDocument* document, EditorCanvasSettings* settings);

Q_SIGNALS:
    // One of our sheets was shown or closed.
    void sheetChanged();

private:
    // A visible window-modal dialog on the window that is not ours.
    QDialog* otherSheet() const;
    void show(QDialog* sheet);
    void finished();
    void showWaiting();

    QPointer<QWidget> window_;
    QPointer<QDialog> sheet_;
    std::deque<QPointer<EditorDocument>> waitingResizes_;
};

} // namespace quorvane
