#include "app/HotKeyRegistrationError.h"

namespace quorvane {

QString name(HotKeyRegistrationError error) {
    switch (error) {
    case HotKeyRegistrationError::conflict:
        return QStringLiteral("conflict");
    case HotKeyRegistrationError::systemShortcut:
        return QStringLiteral("systemShortcut");
    case HotKeyRegistrationError::screenshotShortcut:
        return QStringLiteral("screenshotShortcut");
    case HotKeyRegistrationError::invalid:
        return QStringLiteral("invalid");
    }
    return QStringLiteral("conflict");
}

} // namespace quorvane
