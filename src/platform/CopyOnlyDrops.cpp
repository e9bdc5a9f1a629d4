#include "platform/CopyOnlyDrops.h"

#include <QCoreApplication>
#include <QDropEvent>

namespace quorvane {
namespace {

// A drop event's possible and proposed actions are set by its makers and subclasses only.
struct CopyOnly final : QDropEvent {
    static void narrow(QDropEvent& event) {
        event.*(&CopyOnly::m_actions) = Qt::CopyAction;
        event.*(&CopyOnly::m_defaultAction) = Qt::CopyAction;
        event.setDropAction(Qt::CopyAction);
    }
};

} // namespace

CopyOnlyDrops::CopyOnlyDrops() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->installEventFilter(this);
}

CopyOnlyDrops::~CopyOnlyDrops() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
}

bool CopyOnlyDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // The window's own delivery: the events its widgets get take their actions from it.
    if ((type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) ||
        !watched->isWindowType())
        return false;
    auto& drop = static_cast<QDropEvent&>(*event);
    if (drop.source() == nullptr) CopyOnly::narrow(drop);
    return false;
}

} // namespace quorvane
