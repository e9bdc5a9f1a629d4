#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// Gives assistive technology a container of the editor (the tool bar, the status bar, a pane) as
// a named group of the controls in it, without the decorations between them (divider lines): a
// screen reader meets no unnamed object. Qt's own interface exposes every child widget, named
// or not. A container that only lays out (a scroll area's viewport) can pass its members through
// to the group above it.
class AccessibleGroup : public QAccessibleWidget {
public:
    AccessibleGroup(QWidget* widget, QAccessible::Role role);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    QAccessibleInterface* parent() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    // The focus moves only where a click could move it (ClickReach).
    void doAction(const QString& actionName) override;

    // Makes `widget` a group of `role` named `name`; call before anything asks for its interface.
    static void expose(QWidget& widget, QAccessible::Role role, const QString& name);
    // Leaves `decoration` out of the group it stands in.
    static void markDecoration(QWidget& decoration);
    // Leaves `container` out of the tree: its members stand in its place in the group above. Only
    // for containers whose members are groups or have no children: Qt's own interfaces still
    // name the container as their parent.
    static void passThrough(QWidget& container);

private:
    QList<QWidget*> members() const;
};

} // namespace quorvane
