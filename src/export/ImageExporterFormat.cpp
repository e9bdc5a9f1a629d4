#include "export/ImageExporterFormat.h"

namespace quorvane::ImageExporter {

QString rawValue(Format format) {
    return format == Format::png ? QStringLiteral("png") : QStringLiteral("jpeg");
}

QString fileExtension(Format format) {
    return format == Format::png ? QStringLiteral("png") : QStringLiteral("jpg");
}

std::optional<Format> format(const QString& value) {
    for (Format candidate : allFormats)
        if (rawValue(candidate) == value) return candidate;
    return std::nullopt;
}

} // namespace quorvane::ImageExporter
