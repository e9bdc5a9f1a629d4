#include "capture/KeyRedirect.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace quorvane {
namespace {

QWindow* windowOf(QObject* object) {
    if (object->isWindowType()) return static_cast<QWindow*>(object);
    if (object->isWidgetType()) return static_cast<QWidget*>(object)->window()->windowHandle();
    return nullptr;
}

} // namespace

KeyRedirect::KeyRedirect(QWindow& target) : target_(&target) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

KeyRedirect::~KeyRedirect() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool KeyRedirect::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!target_) return false;
    // Claimed, Qt matches no shortcut and sends the key on as a press. Claimed for the target too:
    // Qt matches a press sent on to it against the shortcuts of the active window again.
    if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    QWindow* window = windowOf(watched);
    if (window == nullptr || window == target_) return false;
    QCoreApplication::sendEvent(target_, event);
    return true;
}

} // namespace quorvane
