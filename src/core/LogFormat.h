#pragma once

// "{}" placeholders filled in order, without the process locale: a log line must read the same
// on every machine.

#include <QByteArray>
#include <QString>
#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

namespace quorvane::LogFormat {

inline void append(std::string& out, std::string_view text) {
    out += text;
}
inline void append(std::string& out, const char* text) {
    out += text != nullptr ? text : "(null)";
}
inline void append(std::string& out, const std::string& text) {
    out += text;
}
inline void append(std::string& out, const QString& text) {
    out += text.toStdString();
}
inline void append(std::string& out, const QByteArray& text) {
    out += text.toStdString();
}
inline void append(std::string& out, bool value) {
    out += value ? "true" : "false";
}
inline void append(std::string& out, char c) {
    out += c;
}

template<class T>
requires(std::integral<T> || std::floating_point<T>) &&
    (!std::same_as<T, bool>)void append(std::string& out, T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

inline void format(std::string& out, std::string_view pattern) {
    out += pattern;
}

template<class First, class... Rest>
void format(std::string& out, std::string_view pattern, const First& first, const Rest&... rest) {
    const auto slot = pattern.find("{}");
    if (slot == std::string_view::npos) {
        out += pattern;
        return;
    }
    out += pattern.substr(0, slot);
    append(out, first);
    format(out, pattern.substr(slot + 2), rest...);
}

} // namespace quorvane::LogFormat
