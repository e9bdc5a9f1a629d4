#include "core/Announcer.h"

#include <QAccessible>
#include <QCoreApplication>

namespace quorvane {

Announcer::Announcer(QObject* parent) : QObject(parent) {}

void Announcer::announce(const QString& text) {
    lastAnnouncement_ = text;
    if (QObject* application = QCoreApplication::instance();
        application != nullptr && QAccessible::isActive()) {
        QAccessibleEvent event(application, QAccessible::Alert);
        QAccessible::updateAccessibility(&event);
    }
    Q_EMIT announced(text);
}

} // namespace quorvane
