#include "support/ToldReaders.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace quorvane::test {
namespace {

ToldReaders* listening = nullptr;

QPlatformAccessibility* bridge() {
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    return integration != nullptr ? integration->accessibility() : nullptr;
}

} // namespace

ToldReaders::ToldReaders() {
    listening = this;
    QAccessible::installUpdateHandler(&ToldReaders::record);
    if (QPlatformAccessibility* platform = bridge()) platform->setActive(true);
}

ToldReaders::~ToldReaders() {
    if (QPlatformAccessibility* platform = bridge()) platform->setActive(false);
    QAccessible::installUpdateHandler(nullptr);
    listening = nullptr;
}

void ToldReaders::record(QAccessibleEvent* event) {
    if (listening == nullptr) return;
    const QString value = event->type() == QAccessible::ValueChanged
                              ? static_cast<QAccessibleValueChangeEvent*>(event)->value().toString()
                              : QString();
    listening->told_.push_back({event->object(), event->type(), value});
}

QStringList ToldReaders::values(const QObject* object) const {
    QStringList values;
    for (const Told& told : told_)
        if (told.object == object && told.type == QAccessible::ValueChanged) values << told.value;
    return values;
}

int ToldReaders::descriptionChanges(const QObject* object) const {
    return static_cast<int>(std::count_if(told_.begin(), told_.end(), [object](const Told& told) {
        return told.object == object && told.type == QAccessible::DescriptionChanged;
    }));
}

} // namespace quorvane::test
