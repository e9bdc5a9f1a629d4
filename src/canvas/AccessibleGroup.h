#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// Gives assistive technology a container of the editor (the tool bar, the status bar, a pane) as
// a named group of the controls in it, without the decorations between them (divider lines): a
// screen reader meets no unnamed object. Qt's own interface exposes every child widget, named
// or not.
class AccessibleGroup : public QAccessibleWidget {
public:
    AccessibleGroup(QWidget* widget, QAccessible::Role role);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    // Makes `widget` a group of `role` named `name`; call before anything asks for its interface.
    static void expose(QWidget& widget, QAccessible::Role role, const QString& name);
    // Leaves `decoration` out of the group it stands in.
    static void markDecoration(QWidget& decoration);

private:
    QList<QWidget*> members() const;
};

} // namespace quorvane
