#pragma once

// Desktop entries (the freedesktop "Desktop Entry" files) that start this program: how its
// command line is written in them, and the application entry that makes it the handler of its
// links and images. The login item and the link handler's entry share one form.

#include "core/Error.h"
#include "core/Result.h"

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

namespace quorvane::DesktopEntry {

inline constexpr char errorDomain[] = "Quorvane.DesktopEntry";
// The program's path holds a control character, which no Exec line can carry.
inline constexpr int unwritablePath = 1;

// The Exec value that runs `program` (an absolute path) with Tesseract's OpenMP limited to one
// thread, followed by `fieldCodes` when given (e.g. "%U"): "env OMP_THREAD_LIMIT=1 /path %U".
// The path is quoted by the entry rules and escaped as a key-file string, ready to follow "Exec=".
Result<QString, Error> execLine(const QString& program, const QString& fieldCodes = {});

// One argument as the Exec rules want it: in double quotes when it holds a reserved character,
// with ", `, $ and \ escaped inside them, and every "%" doubled. Not yet escaped for the key file.
QString quoteArgument(const QString& argument);

// A value escaped as a key-file string: backslash, line feed, tab and carriage return.
QString escapeString(const QString& value);

// The arguments an Exec value (the text after "Exec=") runs, read back by the rules above: the
// key-file escapes undone, arguments split at spaces, double-quoted ones taken whole, "%%" made
// "%" and field codes left out. None for a value those rules cannot read (an open quote).
std::optional<QStringList> execArguments(const QString& value);
// The program an Exec value starts: its first argument, or, after "env", the first that sets no
// variable. None when there is none.
std::optional<QString> execProgram(const QString& value);

// "com.quorvane.Quorvane.desktop"
QString fileName();

// The whole application entry: it opens links of the "quorvane" scheme and images of the given
// MIME types, any number at once (%U). Fails as `execLine` does, and for a path that is not
// valid UTF-8.
Result<QString, Error> applicationEntry(const std::filesystem::path& program, const QStringList& imageTypes);

} // namespace quorvane::DesktopEntry
