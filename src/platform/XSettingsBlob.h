#pragma once

// The settings an XSETTINGS manager (a desktop's settings daemon, xsettingsd) publishes in its
// window's _XSETTINGS_SETTINGS property, read from the property's bytes. The bytes come from
// another program: every length is checked against what is there.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace quorvane::XSettingsBlob {

// The integer settings by name ("Gtk/EnableAnimations"); strings and colours are skipped. None
// when the bytes are not a whole, well-formed list: nothing of a damaged list is trusted.
std::optional<std::map<std::string, std::int32_t>> integers(std::span<const std::uint8_t> bytes);

} // namespace quorvane::XSettingsBlob
