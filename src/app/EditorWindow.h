#pragma once

// The editor window: a top-level window with its own menu bar around the editor view. Created
// on first use and only hidden by closing.

#include <QMainWindow>

namespace quorvane {

class EditorView;

class EditorWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit EditorWindow(EditorView* view, QWidget* parent = nullptr);

    EditorView* view() const { return view_; }

Q_SIGNALS:
    // Before the window is hidden by closing.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    EditorView* view_;
};

} // namespace quorvane
