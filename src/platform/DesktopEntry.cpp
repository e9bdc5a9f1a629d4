#include "platform/DesktopEntry.h"

#include "core/AppIdentity.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <string_view>

namespace quorvane::DesktopEntry {
namespace {

// Characters that make an argument need quotes, by the desktop entry rules.
constexpr std::string_view reserved = " \"'\\><~|&;$*?#()`";

bool validUtf8(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(decoder(QByteArrayView(text.data(), qsizetype(text.size()))));
    return !decoder.hasError();
}

// One argument of the command line: quoted where it must be, a literal "%" doubled.
std::string argument(const std::string& text) {
    const bool needsQuotes = text.empty() || text.find_first_of(reserved) != std::string::npos;
    std::string result = needsQuotes ? "\"" : "";
    for (const char c : text) {
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) result += '\\';
        if (c == '%') result += '%';
        result += c;
    }
    if (needsQuotes) result += '"';
    return result;
}

// The value as a desktop entry string stores it: each backslash doubled.
std::string escaped(const std::string& value) {
    std::string result;
    for (const char c : value) {
        if (c == '\\') result += '\\';
        result += c;
    }
    return result;
}

} // namespace

std::string fileName() {
    return std::string(applicationId) + ".desktop";
}

std::optional<std::string> execLine(const std::filesystem::path& program, const std::string& fieldCode) {
    const std::string& path = program.native();
    const bool control = std::any_of(path.begin(), path.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; });
    if (!validUtf8(path) || control) return std::nullopt;
    std::string line = argument(path);
    if (!fieldCode.empty()) line += ' ' + fieldCode;
    return escaped(line);
}

std::optional<std::string> applicationEntry(const std::filesystem::path& program, const QStringList& imageTypes) {
    const std::optional<std::string> exec = execLine(program, "%U");
    if (!exec) return std::nullopt;
    std::string types = "x-scheme-handler/quorvane;";
    for (const QString& type : imageTypes)
        types += type.toStdString() + ';';
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=" + std::string(applicationName) + "\n"
           "GenericName=Screenshot Tool\n"
           "Comment=Capture, annotate and export screenshots\n"
           "Exec=" + *exec + "\n"
           "Terminal=false\n"
           "StartupNotify=false\n"
           "Categories=Graphics;2DGraphics;RasterGraphics;\n"
           "MimeType=" + types + "\n";
}

} // namespace quorvane::DesktopEntry
