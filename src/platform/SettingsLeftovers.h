#pragma once

// The temporary files that settings writes killed before their rename left behind, named as
// mkostemp names them: ".<file name>.XXXXXX".

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::SettingsLeftovers {

// Whether `name` is what mkostemp made of ".<base>.XXXXXX".
bool isTemporaryOf(std::string_view name, const std::string& base);
// Those in the open folder `folder` for the file `base`: regular files of this user, never links.
std::vector<std::string> in(int folder, const std::string& base);

} // namespace quorvane::SettingsLeftovers
