#pragma once

// GNOME's settings as a settings tool stores them, in a key file that stands in for dconf
// (GSettingsKey and DesktopAccessibility take one in place of the desktop's store).

#include <filesystem>
#include <fstream>
#include <string>

namespace quorvane::test {

// Replaces `file` whole with `text` ("[org/gnome/desktop/interface]\nenable-animations=false\n"),
// as another program would.
inline void storeSettings(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path next = file.string() + ".new";
    std::ofstream(next) << text;
    std::filesystem::rename(next, file);
}

} // namespace quorvane::test
