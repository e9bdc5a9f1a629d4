#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace quorvane {

// The shortcut texts the home view shows, in the desktop's form ("Ctrl+Alt+Super+4"). The shell
// builds them from its settings and its one shortcut formatter and says when they change.
class ShortcutTextSource : public QObject {
    Q_OBJECT

public:
    enum class Command { captureArea, captureScreen, recognizeArea, repeatArea, openImage, showSettings };
    Q_ENUM(Command)

    using QObject::QObject;

    // None when the command has no shortcut now (none bound, or its hot key failed to register).
    virtual std::optional<QString> text(Command command) const = 0;

Q_SIGNALS:
    void changed();
};

} // namespace quorvane
