#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QWidget;

namespace quorvane {

// Where the keyboard rests within a group of controls that is about to be built anew: the
// control's kind, its name and its place among the group's Tab stops. The rebuilt group's control
// of the same kind and name, or else of the same kind at the same place, takes the keyboard over.
struct FocusPlace {
    QByteArray kind;
    QString name;
    int index = -1;

    bool operator==(const FocusPlace&) const = default;

    // The window's own record, which keeps its control while a menu or another window has the
    // keyboard; none when the keyboard rests outside `group`.
    static std::optional<FocusPlace> in(const QWidget& group);
    // The control of `group` that takes this place, or null.
    QWidget* successor(const QWidget& group) const;
};

} // namespace quorvane
