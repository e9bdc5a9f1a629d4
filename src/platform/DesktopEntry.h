#pragma once

// The desktop's entries for this program: the application entry that makes it the handler of its
// links and images, and the form of the command line every entry of ours starts it with. The
// login item's autostart entry uses the same `execLine`, so that both start the program alike.

#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>

namespace quorvane::DesktopEntry {

// "com.quorvane.Quorvane.desktop"
std::string fileName();

// The Exec value that starts `program` with the field code `fieldCode` (say "%U"; "" for none).
// The path is quoted and escaped only where the desktop entry rules require it: launchers that
// split the line at spaces (xdg-open's generic one) then still find a plain path. None when the
// path is not valid UTF-8 or holds control characters, which an entry cannot hold.
std::optional<std::string> execLine(const std::filesystem::path& program, const std::string& fieldCode);

// The whole application entry: it opens links of the "quorvane" scheme and images of the given
// MIME types, any number at once (%U). None when `execLine` has none.
std::optional<std::string> applicationEntry(const std::filesystem::path& program, const QStringList& imageTypes);

} // namespace quorvane::DesktopEntry
