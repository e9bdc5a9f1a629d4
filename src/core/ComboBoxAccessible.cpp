#include "core/ComboBoxAccessible.h"

#include "core/ClickReach.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* box = qobject_cast<QComboBox*>(object);
    // One that takes typing keeps Qt's interface, with its text field.
    if (box == nullptr || box->isEditable()) return nullptr;
    return new ComboBoxAccessible(box);
}

// The text of the label whose buddy `box` is, as a reader says it: without its mnemonic marks
// or the colon that leads to the box ("Resampling:").
QString buddyText(const QComboBox& box) {
    const QWidget* parent = box.parentWidget();
    if (parent == nullptr) return {};
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy() != &box) continue;
        QString text = label->text();
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
        text = text.trimmed();
        if (text.endsWith(u':')) text.chop(1);
        return text;
    }
    return {};
}

void descriptionChanged(QComboBox* box) {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent changed(box, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace

ComboBoxAccessible::ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
    // Qt tells of a new item as a new value, which the AT-SPI bridge drops: readers keep the
    // description they read until told it changed. One interface lives as long as its box.
    QObject::connect(box, &QComboBox::currentTextChanged, box, [box] { descriptionChanged(box); });
}

QComboBox* ComboBoxAccessible::box() const {
    return static_cast<QComboBox*>(widget());
}

QString ComboBoxAccessible::text(QAccessible::Text kind) const {
    const QString value = box()->currentText();
    switch (kind) {
    case QAccessible::Name: {
        if (const QString own = widget()->accessibleName(); !own.isEmpty()) return own;
        if (const QString label = buddyText(*box()); !label.isEmpty()) return label;
        // Better its item than no name at all.
        return value;
    }
    case QAccessible::Value:
        return value;
    case QAccessible::Description: {
        QString help = widget()->accessibleDescription();
        if (help.isEmpty()) help = widget()->toolTip();
        if (value.isEmpty() || help.isEmpty()) return value.isEmpty() ? help : value;
        return value + QStringLiteral(". ") + help;
    }
    default:
        return QAccessibleWidget::text(kind);
    }
}

// Its list, in the tree while closed too, as Qt's own interface has it.
int ComboBoxAccessible::childCount() const {
    return box()->view() != nullptr ? 1 : 0;
}

QAccessibleInterface* ComboBoxAccessible::child(int index) const {
    return index == 0 && box()->view() != nullptr ? QAccessible::queryAccessibleInterface(box()->view())
                                                  : nullptr;
}

int ComboBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && box()->view() != nullptr && child->object() == box()->view() ? 0 : -1;
}

QStringList ComboBoxAccessible::actionNames() const {
    return QStringList{showMenuAction(), pressAction()} << QAccessibleWidget::actionNames();
}

void ComboBoxAccessible::doAction(const QString& actionName) {
    if (!ClickReach::reaches(*widget())) return;
    if (actionName != showMenuAction() && actionName != pressAction())
        return QAccessibleWidget::doAction(actionName);
    if (box()->view() != nullptr && box()->view()->isVisible())
        box()->hidePopup();
    else
        box()->showPopup();
}

void ComboBoxAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
