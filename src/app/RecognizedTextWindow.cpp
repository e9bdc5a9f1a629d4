#include "app/RecognizedTextWindow.h"

#include "app/OCRController.h"
#include "app/OCRResultView.h"
#include "canvas/AccessibleGroup.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvane {

RecognizedTextWindow::RecognizedTextWindow(OCRController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
    setWindowTitle(QStringLiteral("Recognized Text"));
    // Qt gives a top-level widget of its own class the role of a plain filler.
    AccessibleGroup::expose(*this, QAccessible::Window, windowTitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    view_ = new OCRResultView(controller_, this);
    layout->addWidget(view_);
    setMinimumSize(420, 360);
    resize(520, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void RecognizedTextWindow::present() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void RecognizedTextWindow::closeEvent(QCloseEvent* event) {
    controller_.cancel();
    event->accept();
}

} // namespace quorvane
