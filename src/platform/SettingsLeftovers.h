#pragma once

// The temporary files that settings writes killed before their rename left behind. Their names
// carry the program's mark (".<file name>.quorvane-saving-XXXXXX") so that a start can tell them
// from what the user keeps beside the settings (".settings.json.backup", ".settings.json.old001").
// Older versions named them ".<file name>.XXXXXX": such a name cannot be told from a user's file,
// so those are left alone.

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::SettingsLeftovers {

// The template for mkostemp of a temporary for the file `base`.
std::string templateFor(const std::string& base);
// Whether `name` is what mkostemp made of templateFor(base).
bool isTemporaryOf(std::string_view name, const std::string& base);
// Those in the open folder `folder` for the file `base`: regular files of this user, never links.
std::vector<std::string> in(int folder, const std::string& base);

} // namespace quorvane::SettingsLeftovers
