#include "support/AccessibleTree.h"

#include <QAccessible>
#include <QStringList>
#include <QWidget>

namespace quorvane::test {
namespace {

// What is wrong with one object of the tree, or nothing.
QString fault(QAccessibleInterface& node) {
    const QString name = node.text(QAccessible::Name);
    const QString description = node.text(QAccessible::Description);
    if (!node.state().invisible && name.isEmpty()) return QStringLiteral("an unnamed object");
    if (node.role() == QAccessible::Slider && node.valueInterface() == nullptr)
        return QStringLiteral("a slider without a value");
    // In any letter case: "Close Pin" of "Close pin", "Ocean" of "Ocean preset".
    if (!description.isEmpty() && name.contains(description, Qt::CaseInsensitive))
        return QStringLiteral("the name again as description");
    // "Copy Image (Ctrl+C)", "Zoom — …"; "Zoomed in" would be another word.
    if (!name.isEmpty() && description.size() > name.size() &&
        description.startsWith(name, Qt::CaseInsensitive) && !description.at(name.size()).isLetterOrNumber())
        return QStringLiteral("a description that opens with the name");
    if (description.trimmed().endsWith(QLatin1Char(':')))
        return QStringLiteral("a description ending at its colon");
    return {};
}

void walk(QAccessibleInterface* node, QStringList& faults) {
    if (node == nullptr) return;
    if (const QString found = fault(*node); !found.isEmpty()) {
        const QObject* object = node->object();
        faults << found + QStringLiteral(": ") + (object ? object->metaObject()->className() : "?") +
                      QStringLiteral(" '") + node->text(QAccessible::Name) + QStringLiteral("' '") +
                      node->text(QAccessible::Description) + QLatin1Char('\'');
    }
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), faults);
}

} // namespace

std::string accessibleFaults(QWidget& root) {
    QStringList found;
    walk(QAccessible::queryAccessibleInterface(&root), found);
    return found.join(QLatin1Char('\n')).toStdString();
}

} // namespace quorvane::test
