#include "capture/KeyRedirect.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace quorvane {
namespace {

QWindow* windowOf(QObject* object) {
    if (object->isWindowType()) return static_cast<QWindow*>(object);
    if (object->isWidgetType()) return static_cast<QWidget*>(object)->window()->windowHandle();
    return nullptr;
}

// Popups stack; one that refuses to close must not keep a key here for ever.
constexpr int popupsClosedAtMost = 16;

} // namespace

KeyRedirect::KeyRedirect(QWindow& target) : target_(&target) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

KeyRedirect::~KeyRedirect() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

void KeyRedirect::closePopups() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    for (int i = 0; i < popupsClosedAtMost; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) break;
        popup->close();
    }
    // Qt lets go of the whole keyboard grab, the target's too, as a grabber lets go.
    if (QWidget* grabber = QWidget::keyboardGrabber()) {
        grabber->releaseKeyboard();
        Q_EMIT grabsReleased();
    }
}

bool KeyRedirect::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!target_) return false;
    // Qt lets go of the grabs, the target's included, as the last popup closes; a submenu closing
    // hands them back to its menu.
    if (type == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->windowType() == Qt::Popup &&
        QApplication::activePopupWidget() == nullptr) {
        Q_EMIT grabsReleased();
        return false;
    }
    // Claimed, Qt matches no shortcut and sends the key on as a press. Claimed for the target too:
    // Qt matches a press sent on to it against the shortcuts of the active window again.
    if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    // A key sent on already goes where Qt takes it: sent again, it would come back here without end.
    if (std::find(sending_.begin(), sending_.end(), event) != sending_.end()) return false;
    // Qt hands the target's keys to an open popup or keyboard grabber first.
    closePopups();
    QWindow* window = windowOf(watched);
    if (window == nullptr || window == target_) return false;
    // The target may end the redirect as it takes the key (Escape closes the picker).
    const QPointer<KeyRedirect> self(this);
    sending_.push_back(event);
    QCoreApplication::sendEvent(target_, event);
    if (self) sending_.pop_back();
    return true;
}

} // namespace quorvane
