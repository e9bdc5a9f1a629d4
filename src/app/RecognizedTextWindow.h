#pragma once

#include <QWidget>

class QMenuBar;

namespace quorvane {

class OCRController;
class OCRResultView;

// The Recognized Text window: a top-level window of 520 × 480 points (at least 420 × 360) around
// the result view, with a menu bar of its own that the shell fills. Closing it stops a running
// recognition. It is created on first use and only hidden by closing.
class RecognizedTextWindow : public QWidget {
    Q_OBJECT

public:
    explicit RecognizedTextWindow(OCRController& controller, QWidget* parent = nullptr);

    QMenuBar* menuBar() const { return menuBar_; }
    OCRResultView* view() const { return view_; }

    // Shows the window in front: restored when minimised, raised and activated (the window
    // manager may refuse the focus; nothing waits for it).
    void present();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    OCRController& controller_;
    QMenuBar* menuBar_ = nullptr;
    OCRResultView* view_ = nullptr;
};

} // namespace quorvane
