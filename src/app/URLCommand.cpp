#include "app/URLCommand.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace quorvane {
namespace {

using Rejection = URLCommand::Rejection;
using Parsed = Result<URLCommand, Rejection>;

constexpr std::size_t maxBytes = 256;
constexpr std::string_view schemePrefix = "quorvane://";

struct Query {
    std::optional<std::string_view> delay;
    std::optional<std::string_view> then;

    bool empty() const { return !delay && !then; }
};

bool allowed(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '/' || c == '?' || c == '=' || c == '&';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Every piece between separators, empty ones included.
std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

Result<Query, Rejection> parseQuery(std::optional<std::string_view> text) {
    Query query;
    if (!text) return query;
    for (std::string_view piece : split(*text, '&')) {
        const auto parts = split(piece, '=');
        if (parts.size() != 2 || parts[0].empty() || parts[1].empty()) return Failure{Rejection::malformed};
        std::optional<std::string_view>* slot = nullptr;
        if (parts[0] == "delay")
            slot = &query.delay;
        else if (parts[0] == "then")
            slot = &query.then;
        else
            return Failure{Rejection::unknownParameter};
        if (*slot) return Failure{Rejection::duplicateParameter};
        *slot = parts[1];
    }
    return query;
}

std::optional<URLCommand::Then> then(std::string_view value) {
    constexpr std::array<std::pair<std::string_view, URLCommand::Then>, 4> values = {{
        {"edit", URLCommand::Then::edit},
        {"copy", URLCommand::Then::copy},
        {"save", URLCommand::Then::save},
        {"pin", URLCommand::Then::pin},
    }};
    for (const auto& [raw, then] : values)
        if (value == raw) return then;
    return std::nullopt;
}

// Whether the command takes a `then` parameter.
enum class ThenParameter { allowed, refused };

Result<URLCommand::CaptureOptions, Rejection> captureOptions(const Query& query, ThenParameter allowed) {
    if (query.then && allowed == ThenParameter::refused) return Failure{Rejection::parameterNotAllowed};
    URLCommand::CaptureOptions parsed;
    if (const auto delay = query.delay) {
        const bool digits = delay->size() <= 2 && std::all_of(delay->begin(), delay->end(),
                                                              [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || (delay->front() == '0' && delay->size() > 1)) return Failure{Rejection::invalidValue};
        int seconds = 0;
        for (char c : *delay)
            seconds = seconds * 10 + (c - '0');
        if (seconds > 10) return Failure{Rejection::invalidValue};
        parsed.delay = seconds;
    }
    if (query.then) {
        parsed.then = then(*query.then);
        if (!parsed.then) return Failure{Rejection::invalidValue};
    }
    return parsed;
}

Parsed command(URLCommand::Kind kind, URLCommand::CaptureOptions options = {}) {
    return URLCommand{kind, options};
}

Parsed capture(std::string_view what, const Query& query) {
    if (what == "window") {
        if (!query.empty()) return Failure{Rejection::parameterNotAllowed};
        return command(URLCommand::Kind::captureWindow);
    }
    const bool area = what == "area";
    if (!area && what != "screen" && what != "repeat") return Failure{Rejection::unknownCommand};
    auto parsed = captureOptions(query, ThenParameter::allowed);
    if (!parsed) return Failure{parsed.error()};
    if (area) return command(URLCommand::Kind::captureArea, *parsed);
    // Nothing captured without the user's hand may leave the program unattended.
    if (parsed->then && *parsed->then != URLCommand::Then::edit) return Failure{Rejection::unattendedExport};
    return command(what == "screen" ? URLCommand::Kind::captureScreen : URLCommand::Kind::captureRepeat,
                   *parsed);
}

} // namespace

Parsed URLCommand::parse(std::string_view text) {
    if (text.size() > maxBytes) return Failure{Rejection::tooLong};
    // Any byte of a multi-byte character is outside the set too.
    if (!std::all_of(text.begin(), text.end(), allowed)) return Failure{Rejection::invalidCharacter};
    if (text.size() <= schemePrefix.size()) return Failure{Rejection::scheme};
    for (std::size_t i = 0; i < schemePrefix.size(); ++i)
        if (lower(text[i]) != schemePrefix[i]) return Failure{Rejection::scheme};

    const std::string_view rest = text.substr(schemePrefix.size());
    if (rest.find(':') != std::string_view::npos) return Failure{Rejection::malformed};
    const std::size_t question = rest.find('?');
    const std::string_view path = rest.substr(0, question);
    std::optional<std::string_view> queryText;
    if (question != std::string_view::npos) queryText = rest.substr(question + 1);

    const auto components = split(path, '/');
    for (std::string_view component : components)
        if (component.empty()) return Failure{Rejection::malformed};
    // The query comes first, so an unknown key wins over an unknown command.
    const auto query = parseQuery(queryText);
    if (!query) return Failure{query.error()};

    const std::string_view first = components.front();
    if (first == "capture") {
        if (components.size() == 1) return Failure{Rejection::unknownCommand};
        if (components.size() > 2) return Failure{Rejection::extraPath};
        return capture(components[1], *query);
    }
    if (first == "ocr") {
        if (components.size() > 1) return Failure{Rejection::extraPath};
        auto parsed = captureOptions(*query, ThenParameter::refused);
        if (!parsed) return Failure{parsed.error()};
        return command(Kind::recognizeText, {parsed->delay, std::nullopt});
    }
    if (first == "show" || first == "settings") {
        if (components.size() > 1) return Failure{Rejection::extraPath};
        if (!query->empty()) return Failure{Rejection::parameterNotAllowed};
        return command(first == "show" ? Kind::show : Kind::settings);
    }
    return Failure{Rejection::unknownCommand};
}

Parsed URLCommand::parse(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    // toUtf8 writes an unpaired surrogate as "?", which is an allowed character: text that is not
    // valid Unicode must be refused here, before the conversion can hide it. Each such surrogate
    // would take three bytes, which keeps the length check ahead of the character check.
    qsizetype unpaired = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            ++unpaired;
    }
    if (unpaired > 0)
        return Failure{static_cast<std::size_t>(utf8.size() + 2 * unpaired) > maxBytes
                           ? Rejection::tooLong
                           : Rejection::invalidCharacter};
    return parse(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString URLCommand::name() const {
    switch (kind) {
    case Kind::captureArea:
        return QStringLiteral("capture/area");
    case Kind::captureScreen:
        return QStringLiteral("capture/screen");
    case Kind::captureRepeat:
        return QStringLiteral("capture/repeat");
    case Kind::recognizeText:
        return QStringLiteral("ocr");
    case Kind::captureWindow:
        return QStringLiteral("capture/window");
    case Kind::show:
        return QStringLiteral("show");
    case Kind::settings:
        return QStringLiteral("settings");
    }
    return QStringLiteral("show");
}

QString rawValue(URLCommand::Then then) {
    constexpr std::array<const char*, 4> names = {"edit", "copy", "save", "pin"};
    return QString::fromLatin1(names[static_cast<std::size_t>(then)]);
}

QString rawValue(URLCommand::Rejection rejection) {
    constexpr std::array<const char*, 14> names = {
        "tooLong",          "invalidCharacter",   "scheme",
        "malformed",        "unknownCommand",     "extraPath",
        "unknownParameter", "duplicateParameter", "parameterNotAllowed",
        "invalidValue",     "unattendedExport",   "busy",
        "unavailable",      "unexportedChanges"};
    return QString::fromLatin1(names[static_cast<std::size_t>(rejection)]);
}

} // namespace quorvane
