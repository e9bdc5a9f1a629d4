#include "core/LoggedReason.h"

#include <QRegularExpression>

namespace quorvane {

QString loggedReason(const Error& error) {
    static const QRegularExpression quoted(QStringLiteral("“[^”]*”"));
    QString reason = error.message.trimmed();
    reason.replace(quoted, QStringLiteral("“…”"));
    if (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
    return reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')');
}

} // namespace quorvane
