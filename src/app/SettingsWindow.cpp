#include "app/SettingsWindow.h"

#include "app/SettingsView.h"
#include "canvas/AccessibleGroup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvane {

namespace {

// The room QScrollArea keeps below a control it scrolls to.
constexpr int visibleMargin = 50;

} // namespace

SettingsWindow::SettingsWindow(SettingsView* view, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(view) {
    setWindowTitle(QStringLiteral("Quorvane Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab stops on the form's controls only, and the area scrolls to each; a stop on the area
    // itself would show nothing and, left out for readers, say nothing.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(view_);
    layout->addWidget(scroll);
    // A screen reader meets the window, its menu bar, the form and the scroll bar; not the scroll
    // area's plumbing around them.
    AccessibleGroup::expose(*this, QAccessible::Window, windowTitle());
    for (QWidget* plumbing :
         {static_cast<QWidget*>(scroll), scroll->viewport(), scroll->verticalScrollBar()->parentWidget()})
        AccessibleGroup::passThrough(*plumbing);
    AccessibleGroup::markDecoration(*scroll->horizontalScrollBar()->parentWidget()); // never shown
    scroll->verticalScrollBar()->setAccessibleName(QStringLiteral("Vertical scroll bar"));
    connect(view_, &SettingsView::diagnosticsMessageShown, this, [this, scroll] {
        // Once the form has made room for the message.
        QTimer::singleShot(0, this,
                           [this, scroll] { scroll->ensureWidgetVisible(view_->diagnosticsMessageText()); });
    });
    // Without a stop of its own the area cannot be scrolled by keys: a control the keyboard
    // reaches that fits beside the form's top or foot shows that end too, and so every text.
    connect(qApp, &QApplication::focusChanged, this, [this, scroll](QWidget*, QWidget* now) {
        // A click's focus leaves the form where the pointer found it.
        if (now == nullptr || !view_->isAncestorOf(now) || QGuiApplication::mouseButtons() != Qt::NoButton)
            return;
        const int top = now->mapTo(view_, QPoint()).y();
        const int room = scroll->viewport()->height() - visibleMargin;
        QScrollBar* bar = scroll->verticalScrollBar();
        if (top + now->height() <= room)
            bar->setValue(bar->minimum());
        else if (view_->height() - top <= room)
            bar->setValue(bar->maximum());
    });
    setMinimumSize(520, 420);
    resize(560, 680);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace quorvane
