#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane::ImageExporter {

// The two output formats, stored and logged by their raw values.
enum class Format { png, jpeg };

inline constexpr std::array<Format, 2> allFormats = {Format::png, Format::jpeg};

// "png", "jpeg".
QString rawValue(Format format);
// "png", "jpg".
QString fileExtension(Format format);
// Exact raw values only: "JPEG" is not a format.
std::optional<Format> format(const QString& rawValue);

} // namespace quorvane::ImageExporter
