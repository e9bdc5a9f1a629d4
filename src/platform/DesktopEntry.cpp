#include "platform/DesktopEntry.h"

#include "core/AppIdentity.h"

#include <QStringDecoder>

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

QString fileName() {
    return QString::fromLatin1(applicationId) + QStringLiteral(".desktop");
}

Result<QString, Error> applicationEntry(const std::filesystem::path& program, const QStringList& imageTypes) {
    const std::string& bytes = program.native();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString path = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoder.hasError())
        return Failure{Error{QString::fromLatin1(errorDomain), unwritablePath,
                             QStringLiteral("The program's path is not valid UTF-8, which a desktop entry cannot hold.")}};
    const auto exec = execLine(path, QStringLiteral("%U"));
    if (!exec) return Failure{exec.error()};
    QString types = QStringLiteral("x-scheme-handler/quorvane;");
    for (const QString& type : imageTypes)
        types += type + QLatin1Char(';');
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.4\n"
                          "Name=") +
           QString::fromLatin1(applicationName) +
           QStringLiteral("\n"
                          "GenericName=Screenshot Tool\n"
                          "Comment=Capture, annotate and export screenshots\n"
                          "Exec=") +
           *exec +
           QStringLiteral("\n"
                          "Terminal=false\n"
                          "StartupNotify=false\n"
                          "Categories=Graphics;2DGraphics;RasterGraphics;\n"
                          "MimeType=") +
           types + QStringLiteral("\n");
}

} // namespace quorvane::DesktopEntry
