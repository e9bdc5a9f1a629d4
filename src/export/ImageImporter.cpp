#include "export/ImageImporter.h"

#include "export/ImageOrientation.h"
#include "imaging/MappedBitmap.h"
#include "platform/BmpDecoder.h"
#include "platform/GifDecoder.h"
#include "platform/HeifDecoder.h"
#include "platform/JpegCodec.h"
#include "platform/PngCodec.h"
#include "platform/Prefault.h"
#include "platform/TiffCodec.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

namespace quorvane::ImageImporter {
namespace {

enum class Kind { png, jpeg, heic, tiff, gif, bmp };

// Far beyond any file of an image within the caps; larger files are not read into memory.
constexpr qint64 maxFileBytes = qint64{1} << 30;

bool startsWith(QByteArrayView bytes, QByteArrayView prefix) {
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

std::uint32_t bigEndian32(QByteArrayView bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + at;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// HEIF files whose brands say HEVC; AVIF and other codecs in the same container are not HEIC.
bool isHeic(QByteArrayView bytes) {
    if (bytes.size() < 16 || bytes.sliced(4, 4) != "ftyp") return false;
    const QByteArrayView major = bytes.sliced(8, 4);
    static const QByteArrayView heicBrands[] = {"heic", "heix", "heim", "heis",
                                                "hevc", "hevx", "hevm", "hevs"};
    const auto isHeicBrand = [](QByteArrayView brand) {
        return std::find(std::begin(heicBrands), std::end(heicBrands), brand) != std::end(heicBrands);
    };
    if (isHeicBrand(major)) return true;
    if (major != "mif1" && major != "msf1") return false;
    const qsizetype boxEnd = std::min<qsizetype>(bytes.size(), bigEndian32(bytes, 0));
    for (qsizetype at = 16; at + 4 <= boxEnd; at += 4)
        if (isHeicBrand(bytes.sliced(at, 4))) return true;
    return false;
}

// "BM" and one of the information header sizes of the BMP versions.
bool isBmp(QByteArrayView bytes) {
    if (bytes.size() < 18 || !startsWith(bytes, "BM")) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 14;
    const std::uint32_t headerSize = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
    for (std::uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (headerSize == size) return true;
    return false;
}

// The format by the data's own signature, as the decoders would recognise it.
std::optional<Kind> sniff(QByteArrayView bytes) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n")) return Kind::png;
    if (startsWith(bytes, "\xff\xd8\xff")) return Kind::jpeg;
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return Kind::gif;
    if (startsWith(bytes, QByteArrayView("II*\0", 4)) || startsWith(bytes, QByteArrayView("MM\0*", 4)) ||
        startsWith(bytes, QByteArrayView("II+\0", 4)) || startsWith(bytes, QByteArrayView("MM\0+", 4)))
        return Kind::tiff;
    if (isBmp(bytes)) return Kind::bmp;
    if (isHeic(bytes)) return Kind::heic;
    return std::nullopt;
}

std::unique_ptr<ImageDecoder> makeDecoder(Kind kind, QByteArrayView bytes) {
    switch (kind) {
    case Kind::png:
        return PngCodec::decoder(bytes);
    case Kind::jpeg:
        return JpegCodec::decoder(bytes);
    case Kind::heic:
        return HeifDecoder::decoder(bytes, DecodeLimits{maxSide, maxPixels});
    case Kind::tiff:
        return TiffCodec::decoder(bytes);
    case Kind::gif:
        return GifDecoder::decoder(bytes);
    case Kind::bmp:
        return BmpDecoder::decoder(bytes);
    }
    return nullptr;
}

// Whether the data ends as a complete file of its kind ends. Formats without a reliable trailer
// are not checked.
bool hasTrailer(Kind kind, QByteArrayView tail) {
    if (kind == Kind::png) return tail.contains(QByteArrayView("IEND"));
    if (kind != Kind::jpeg && kind != Kind::gif) return true;
    while (!tail.isEmpty() && tail.back() == '\0')
        tail.chop(1);
    if (kind == Kind::gif) return !tail.isEmpty() && tail.back() == '\x3b';
    return tail.size() >= 2 && tail.last(2) == "\xff\xd9";
}

// A file or data type: a MIME type, or for an extension no MIME type knows, only the extension.
struct Type {
    QMimeType mime;
    QString suffix;
};

bool conformsToSupported(const Type& type) {
    return type.mime.isValid() && std::any_of(supportedTypes().begin(), supportedTypes().end(),
                                              [&](const QString& name) { return type.mime.inherits(name); });
}

bool isImageType(const Type& type) {
    if (!type.mime.isValid()) return false;
    const auto isImage = [](const QString& name) { return name.startsWith(QLatin1String("image/")); };
    const QStringList ancestors = type.mime.allAncestors();
    return isImage(type.mime.name()) || std::any_of(ancestors.begin(), ancestors.end(), isImage);
}

QString describe(const Type& type) {
    if (type.mime.isValid() && !type.mime.comment().isEmpty()) return type.mime.comment();
    const QString suffix = type.mime.isValid() && !type.mime.preferredSuffix().isEmpty()
                               ? type.mime.preferredSuffix()
                               : type.suffix;
    return suffix.isEmpty() ? QStringLiteral("This file type") : suffix.toUpper();
}

// By the file's name, as the file manager types it; the disk is not read.
std::optional<Type> typeOfFile(const QString& path) {
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString suffix = QFileInfo(path).suffix();
    if (!mime.isDefault()) return Type{mime, suffix};
    if (suffix.isEmpty()) return std::nullopt;
    return Type{QMimeType(), suffix};
}

// Images and documents the platform's decoders would know by their content, though they are
// none of the six accepted formats.
std::optional<Type> recognisedType(QByteArrayView bytes) {
    // Signatures lie near the start; the rest of a large file need not be copied.
    const QMimeType mime =
        QMimeDatabase().mimeTypeForData(bytes.first(std::min<qsizetype>(bytes.size(), 65'536)).toByteArray());
    const Type type{mime, {}};
    if (isImageType(type) || mime.inherits(QStringLiteral("application/pdf"))) return type;
    return std::nullopt;
}

Result<QImage, ImportError> decode(QByteArrayView bytes, const std::optional<Type>& fallbackType) {
    const std::optional<Kind> kind = sniff(bytes);
    if (!kind) {
        if (const auto recognised = recognisedType(bytes))
            return Failure{conformsToSupported(*recognised)
                               ? ImportError::unreadable()
                               : ImportError::unsupportedType(describe(*recognised))};
        if (fallbackType && !conformsToSupported(*fallbackType))
            return Failure{ImportError::unsupportedType(describe(*fallbackType))};
        return Failure{ImportError::unreadable()};
    }
    const QByteArrayView tail = bytes.last(std::min(bytes.size(), tailLength));
    const std::unique_ptr<ImageDecoder> decoder = makeDecoder(*kind, bytes);
    ImageHeader header;
    switch (decoder->readHeader(header)) {
    case ImageDecoder::Status::image:
        break;
    case ImageDecoder::Status::noFrames:
        return Failure{*kind == Kind::gif && hasTrailer(*kind, tail) ? ImportError::noImage()
                                                                     : ImportError::unreadable()};
    case ImageDecoder::Status::unreadable:
        return Failure{ImportError::unreadable()};
    case ImageDecoder::Status::tooLarge:
        return Failure{ImportError::tooLarge(header.width, header.height)};
    }
    const std::int64_t width = header.width;
    const std::int64_t height = header.height;
    if (width < 1 || height < 1) return Failure{ImportError::unreadable()};
    const bool swapped = ImageOrientation::swapsSides(header.orientation);
    const std::int64_t uprightWidth = swapped ? height : width;
    const std::int64_t uprightHeight = swapped ? width : height;
    if (width > maxSide || height > maxSide || width * height > maxPixels)
        return Failure{ImportError::tooLarge(uprightWidth, uprightHeight)};
    if (!hasTrailer(*kind, tail)) return Failure{ImportError::unreadable()};

    std::optional<QImage> stored =
        MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, nullptr);
    if (!stored) return Failure{ImportError::unreadable()};
    std::thread prefault = Prefault::start(stored->bits(), static_cast<std::size_t>(stored->sizeInBytes()));
    const bool decoded = decoder->decode(*stored);
    if (prefault.joinable()) prefault.join();
    if (!decoded) return Failure{ImportError::unreadable()};
    QImage result = std::move(*stored);
    if (header.orientation >= 2 && header.orientation <= 8) {
        std::optional<QImage> turned = ImageOrientation::upright(result, header.orientation);
        if (!turned) return Failure{ImportError::unreadable()};
        result = std::move(*turned);
    }
    if (!header.iccProfile.isEmpty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(header.iccProfile);
        if (space.isValid()) result.setColorSpace(space);
    }
    if (result.width() != uprightWidth || result.height() != uprightHeight)
        return Failure{ImportError::unreadable()};
    return result;
}

std::vector<QUrl> fileUrls(const QMimeData& pasteboard) {
    std::vector<QUrl> files;
    if (!pasteboard.hasUrls()) return files;
    for (const QUrl& url : pasteboard.urls())
        if (url.isLocalFile()) files.push_back(url);
    return files;
}

// An image some other program put on the clipboard in a format Qt reads.
Result<QImage, ImportError> fromQImage(const QImage& image) {
    const std::int64_t width = image.width();
    const std::int64_t height = image.height();
    if (width < 1 || height < 1) return Failure{ImportError::unreadable()};
    if (width > maxSide || height > maxSide || width * height > maxPixels)
        return Failure{ImportError::tooLarge(width, height)};
    auto copy =
        MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
            QPainter painter(&target);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, image);
        });
    if (!copy) return Failure{ImportError::unreadable()};
    if (image.colorSpace().isValid()) copy->setColorSpace(image.colorSpace());
    return std::move(*copy);
}

} // namespace

QString ImportError::message(const QUrl& file) const {
    const bool named = !file.isEmpty();
    const QString name = QStringLiteral("“") + file.fileName() + QStringLiteral("”");
    switch (kind) {
    case Kind::unsupportedType:
        return QStringLiteral("Quorvane can't open ") + (named ? name : QStringLiteral("this item")) +
               QStringLiteral(": ") + type +
               QStringLiteral(" isn't a supported format. Open a PNG, JPEG, HEIC, TIFF, GIF, or BMP image.");
    case Kind::tooLarge:
        return QStringLiteral("This image is ") + QString::number(width) + QStringLiteral(" × ") +
               QString::number(height) +
               QStringLiteral(" pixels; Quorvane opens images up to 32 megapixels") +
               (std::max(width, height) > maxSide ? QStringLiteral(" and 32,000 pixels per side")
                                                  : QString()) +
               QStringLiteral(".");
    case Kind::unreadable:
        return named
                   ? QStringLiteral("Quorvane can't read ") + name +
                         QStringLiteral(". The file may be missing, damaged, or not accessible.")
                   : QStringLiteral("Quorvane can't read this image. The data may be damaged or incomplete.");
    case Kind::noImage:
        return named ? name + QStringLiteral(" doesn't contain an image.")
                     : QStringLiteral("There's no image to open.");
    }
    return {};
}

const QStringList& supportedTypes() {
    static const QStringList types = {QStringLiteral("image/png"),  QStringLiteral("image/jpeg"),
                                      QStringLiteral("image/heic"), QStringLiteral("image/tiff"),
                                      QStringLiteral("image/gif"),  QStringLiteral("image/bmp")};
    return types;
}

const QStringList& pasteboardTypes() {
    static const QStringList types = {QStringLiteral("image/png"), QStringLiteral("image/tiff"),
                                      QStringLiteral("image/jpeg"), QStringLiteral("image/heic")};
    return types;
}

Result<QImage, ImportError> image(const QUrl& file) {
    if (!file.isLocalFile()) return Failure{ImportError::unreadable()};
    const QString path = file.toLocalFile();
    // Regular files only: a pipe or a device would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return Failure{ImportError::unreadable()};
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || input.size() > maxFileBytes)
        return Failure{ImportError::unreadable()};
    // What the file holds now: a file that grows meanwhile is read as far as it reached here.
    const QByteArray bytes = input.read(input.size());
    if (input.error() != QFileDevice::NoError) return Failure{ImportError::unreadable()};
    return decode(bytes, typeOfFile(path));
}

Result<QImage, ImportError> image(const QByteArray& data) {
    if (data.isEmpty()) return Failure{ImportError::noImage()};
    return decode(data, std::nullopt);
}

Result<std::optional<QImage>, ImportError> image(const QMimeData& pasteboard) {
    using Found = std::optional<QImage>;
    const auto wrap = [](Result<QImage, ImportError> result) -> Result<Found, ImportError> {
        if (!result) return Failure{result.error()};
        return Found(std::move(result).value());
    };
    const std::vector<QUrl> files = fileUrls(pasteboard);
    for (const QUrl& url : files)
        if (const auto type = typeOfFile(url.toLocalFile()); type && conformsToSupported(*type))
            return wrap(image(url));
    for (const QString& type : pasteboardTypes())
        if (pasteboard.hasFormat(type))
            if (const QByteArray data = pasteboard.data(type); !data.isEmpty()) return wrap(image(data));
    // Any other file: named, so that the message says what it is ("PDF document").
    if (!files.empty()) {
        const auto type = typeOfFile(files.front().toLocalFile());
        return Failure{ImportError::unsupportedType(type ? describe(*type) : QStringLiteral("This file type"))};
    }
    if (!pasteboard.hasImage()) return Found();
    const QImage image = qvariant_cast<QImage>(pasteboard.imageData());
    if (image.isNull()) return Found();
    return wrap(fromQImage(image));
}

bool canRead(const QMimeData& pasteboard) {
    // Any file counts: Paste then says why one that is no image cannot be opened.
    if (!fileUrls(pasteboard).empty()) return true;
    for (const QString& type : pasteboardTypes())
        if (pasteboard.hasFormat(type)) return true;
    return pasteboard.hasImage();
}

} // namespace quorvane::ImageImporter
