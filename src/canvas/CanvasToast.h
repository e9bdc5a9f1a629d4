#pragma once

#include <QLabel>
#include <QTimer>

namespace quorvane {

// The pane's status message over the bottom of the canvas for a few seconds: a plain stand-in
// until the editor window's toast takes its place.
class CanvasToast : public QLabel {
    Q_OBJECT

public:
    explicit CanvasToast(QWidget* parent = nullptr);

    // Shows `message` (hides for an empty one) and places itself 12 points above the bottom of
    // the parent, centred.
    void showMessage(const QString& message);
    void place();

private:
    QTimer hideTimer_;
};

} // namespace quorvane
