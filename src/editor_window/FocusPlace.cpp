#include "editor_window/FocusPlace.h"

#include <QAbstractButton>
#include <QWidget>
#include <vector>

namespace quorvane {
namespace {

std::vector<QWidget*> stops(const QWidget& group) {
    std::vector<QWidget*> found;
    for (QWidget* child : group.findChildren<QWidget*>())
        if ((child->focusPolicy() & Qt::TabFocus) && child->isEnabled() && !child->isHidden())
            found.push_back(child);
    return found;
}

QString nameOf(const QWidget& control) {
    if (!control.accessibleName().isEmpty()) return control.accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
    return {};
}

} // namespace

std::optional<FocusPlace> FocusPlace::in(const QWidget& group) {
    QWidget* focused = group.window()->focusWidget();
    if (focused == nullptr || !group.isAncestorOf(focused)) return std::nullopt;
    const std::vector<QWidget*> all = stops(group);
    const auto at = std::find(all.begin(), all.end(), focused);
    return FocusPlace{focused->metaObject()->className(), nameOf(*focused),
                      at != all.end() ? int(at - all.begin()) : -1};
}

QWidget* FocusPlace::successor(const QWidget& group) const {
    const std::vector<QWidget*> all = stops(group);
    if (!name.isEmpty())
        for (QWidget* control : all)
            if (control->metaObject()->className() == kind && nameOf(*control) == name) return control;
    if (index >= 0 && index < int(all.size()) && all[size_t(index)]->metaObject()->className() == kind)
        return all[size_t(index)];
    return nullptr;
}

} // namespace quorvane
