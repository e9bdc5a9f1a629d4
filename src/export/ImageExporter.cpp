#include "export/ImageExporter.h"

#include "imaging/SRGBConversion.h"
#include "platform/JpegCodec.h"
#include "platform/PixelRows.h"
#include "platform/PngCodec.h"
#include "platform/PosixFile.h"
#include "platform/StagedFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace quorvane::ImageExporter {
namespace {

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// Rows of `image` (sRGB, 8 bits) blended over opaque white.
void flattenRow(const QImage& image, int y, std::uint8_t* out) {
    const std::uint8_t* in = image.constScanLine(y);
    const int width = image.width();
    switch (image.format()) {
    case QImage::Format_RGBX8888:
        std::memcpy(out, in, static_cast<std::size_t>(width) * 4);
        return;
    case QImage::Format_RGBA8888_Premultiplied:
        for (int x = 0; x < 4 * width; x += 4) {
            const int white = 255 - in[x + 3];
            out[x] = static_cast<std::uint8_t>(std::min(255, in[x] + white));
            out[x + 1] = static_cast<std::uint8_t>(std::min(255, in[x + 1] + white));
            out[x + 2] = static_cast<std::uint8_t>(std::min(255, in[x + 2] + white));
        }
        return;
    default: // straight RGBA8888
        for (int x = 0; x < 4 * width; x += 4) {
            const unsigned alpha = in[x + 3];
            for (int c = 0; c < 3; ++c)
                out[x + c] =
                    static_cast<std::uint8_t>(PixelRows::premultiply(in[x + c], alpha) + 255 - alpha);
        }
        return;
    }
}

} // namespace

QString message(ExportError error) {
    switch (error) {
    case ExportError::invalidQuality:
        return QStringLiteral("JPEG quality must be between 0 and 1.");
    case ExportError::encodingFailed:
        return QStringLiteral("The image could not be encoded.");
    case ExportError::invalidDestination:
        return QStringLiteral("Choose a local file destination.");
    case ExportError::clipboardFailed:
        return QStringLiteral("The image could not be copied to the clipboard.");
    }
    return {};
}

Error error(ExportError error) {
    return Error{QString::fromLatin1(exportErrorDomain), static_cast<int>(error), message(error)};
}

Result<void, Error> hardLink(const QString& source, const QString& destination) {
    return PosixFile::hardLink(source, destination);
}

QUrl uniqueURL(const QUrl& folder, Format format) {
    const QString time =
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString name = QStringLiteral("QuorvaneShot-") + time + QLatin1Char('-') + newUuid() +
                         QLatin1Char('.') + fileExtension(format);
    QUrl url = folder;
    QString path = folder.path(QUrl::FullyDecoded);
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    url.setPath(path + name, QUrl::DecodedMode);
    return url;
}

Result<QByteArray, ExportError> encode(const QImage& image, Format format, double quality) {
    if (!std::isfinite(quality) || quality < 0 || quality > 1) return Failure{ExportError::invalidQuality};
    // The same image when it already is 8-bit sRGB, so the common case copies nothing.
    const std::optional<QImage> converted = ImageResampler::convertToSRGB(image);
    if (!converted) return Failure{ExportError::encodingFailed};
    const QImage& source = *converted;
    auto bytes =
        format == Format::png
            ? PngCodec::encode(source)
            : JpegCodec::encode(source.width(), source.height(), static_cast<int>(std::round(quality * 100)),
                                [&source](int y, std::uint8_t* row) { flattenRow(source, y, row); });
    if (!bytes) return Failure{ExportError::encodingFailed};
    return std::move(*bytes);
}

Result<void, Error> save(const QImage& image, const QUrl& destination, Format format, double quality,
                         const LinkOperation& link) {
    if (!destination.isLocalFile()) return Failure{error(ExportError::invalidDestination)};
    auto bytes = encode(image, format, quality);
    if (!bytes) return Failure{error(bytes.error())};
    return write(*bytes, destination, link);
}

Result<void, Error> write(const QByteArray& bytes, const QUrl& destination, const LinkOperation& link) {
    if (!destination.isLocalFile()) return Failure{error(ExportError::invalidDestination)};
    const QString path = destination.toLocalFile();
    const QString folder = QFileInfo(path).absolutePath();
    PosixFile::removeStale(folder, isTemporaryName, staleTemporaryAge);
    // Flushed before it gets its final name: a crash after the save must not leave an empty
    // file there. A failure here leaves nothing behind, and a name that was taken was never ours
    // to remove. The staged file goes away on the way out, whatever happens.
    auto staged =
        StagedFile::write(folder, QStringLiteral(".quorvane-") + newUuid() + QStringLiteral(".tmp"), bytes);
    if (!staged) return Failure{staged.error()};
    Result<void, Error> linked = link(staged->path(), path);
    if (!linked && linkUnsupported(linked.error())) return PosixFile::writeExclusive(path, bytes);
    return linked;
}

bool isTemporaryName(std::string_view name) {
    // ".quorvane-" + an upper-case UUID + ".tmp", exactly.
    constexpr std::string_view prefix = ".quorvane-", suffix = ".tmp";
    if (name.size() != prefix.size() + 36 + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    const std::string_view uuid = name.substr(prefix.size(), 36);
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        const char c = uuid[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

bool linkUnsupported(const Error& error) {
    // ENOTSUP and EOPNOTSUPP are one value on Linux.
    for (int code : {EOPNOTSUPP, EPERM, EXDEV, EMLINK})
        if (PosixFile::isError(error, code)) return true;
    return false;
}

Result<void, Error> writeExclusive(const QByteArray& bytes, const QUrl& destination) {
    if (!destination.isLocalFile()) return Failure{error(ExportError::invalidDestination)};
    return PosixFile::writeExclusive(destination.toLocalFile(), bytes);
}

} // namespace quorvane::ImageExporter
