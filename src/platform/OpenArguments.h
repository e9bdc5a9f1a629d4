#pragma once

// The things a process was asked to open, as its command line gave them: links exactly as typed,
// file paths made absolute against the folder it was started in (the running program that opens
// them may stand elsewhere). Bytes throughout: a path need not be valid text.

#include <QByteArrayList>
#include <string>

namespace quorvane::OpenArguments {

// `arguments` without the program name; `folder` is the current folder ("" when unknown: relative
// paths then stay relative, and the program ignores them).
QByteArrayList fromCommandLine(int count, const char* const* arguments, const std::string& folder);
// The current folder, or "" when it cannot be read (it was removed, say).
std::string currentFolder();

// Whether `argument` starts like a URL ("scheme:"), by the scheme's own rules.
bool hasScheme(const QByteArray& argument);
// What the program makes of an argument.
enum class Kind {
    // An absolute path or a file: link.
    file,
    // A quorvane: link.
    link,
    // Anything else: a web link, a link of another scheme, a path no folder made absolute.
    unopenable,
};
Kind kind(const QByteArray& argument);

} // namespace quorvane::OpenArguments
