#include "platform/DesktopEntry.h"

namespace quorvane::DesktopEntry {
namespace {

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

} // namespace

QString quoteArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote) out += QLatin1Char('"');
    for (const QChar c : argument) {
        if (c == QLatin1Char('%')) {
            out += QStringLiteral("%%");
            continue;
        }
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        out += c;
    }
    if (quote) out += QLatin1Char('"');
    return out;
}

QString escapeString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

Result<QString, Error> execLine(const QString& program, const QString& fieldCodes) {
    if (hasControlCharacter(program))
        return Failure{Error{QString::fromLatin1(errorDomain), unwritablePath,
                             QStringLiteral("The program's path contains a control character, which a "
                                            "desktop entry cannot hold.")}};
    QString line = QStringLiteral("env OMP_THREAD_LIMIT=1 ") + quoteArgument(program);
    if (!fieldCodes.isEmpty()) line += QLatin1Char(' ') + fieldCodes;
    return escapeString(line);
}

} // namespace quorvane::DesktopEntry
