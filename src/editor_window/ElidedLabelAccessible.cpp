#include "editor_window/ElidedLabelAccessible.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ElidedLabel.h"

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* label = qobject_cast<ElidedLabel*>(object)) return new ElidedLabelAccessible(label);
    return nullptr;
}

} // namespace

ElidedLabelAccessible::ElidedLabelAccessible(ElidedLabel* label)
    : QAccessibleWidget(label, QAccessible::StaticText) {}

QString ElidedLabelAccessible::text(QAccessible::Text kind) const {
    const auto* label = static_cast<const ElidedLabel*>(widget());
    if (kind == QAccessible::Name)
        return label->accessibleName().isEmpty() ? label->fullText() : label->accessibleName();
    if (kind == QAccessible::Description && label->accessibleDescription().isEmpty())
        return ChromeAccessible::helpBeyond(text(QAccessible::Name), label->toolTip());
    return QAccessibleWidget::text(kind);
}

void ElidedLabelAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
