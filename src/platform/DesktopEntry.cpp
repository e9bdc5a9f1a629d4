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

std::optional<QStringList> execArguments(const QString& value) {
    // The key-file string's escapes first, then the Exec quoting within it.
    QString line;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            line += c;
            continue;
        }
        switch (value.at(++i).unicode()) {
        case 's':
            line += QLatin1Char(' ');
            break;
        case 'n':
            line += QLatin1Char('\n');
            break;
        case 't':
            line += QLatin1Char('\t');
            break;
        case 'r':
            line += QLatin1Char('\r');
            break;
        default:
            line += value.at(i);
        }
    }
    QStringList arguments;
    QString argument;
    bool started = false, quoted = false, fieldCode = false;
    const auto end = [&] {
        if (started && !fieldCode) arguments << argument;
        argument.clear();
        started = fieldCode = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                argument += line.at(++i);
            } else if (c == QLatin1Char('%') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('%')) {
                argument += line.at(++i);
            } else {
                argument += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ')) {
            end();
            continue;
        }
        started = true;
        if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('%') && i + 1 < line.size()) {
            // "%%" is a percent sign; a field code stands for what the launcher fills in.
            if (line.at(++i) == QLatin1Char('%'))
                argument += QLatin1Char('%');
            else
                fieldCode = argument.isEmpty();
        } else {
            argument += c;
        }
    }
    if (quoted) return std::nullopt;
    end();
    return arguments;
}

std::optional<QString> execProgram(const QString& value) {
    const std::optional<QStringList> arguments = execArguments(value);
    if (!arguments || arguments->isEmpty()) return std::nullopt;
    qsizetype first = 0;
    if (arguments->first() == QLatin1String("env") || arguments->first().endsWith(QLatin1String("/env"))) {
        // The variables env sets, up to the program it runs.
        for (first = 1; first < arguments->size(); ++first)
            if (!arguments->at(first).contains(QLatin1Char('=')) ||
                arguments->at(first).startsWith(QLatin1Char('=')))
                break;
        if (first == arguments->size()) return std::nullopt;
    }
    return arguments->at(first);
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
