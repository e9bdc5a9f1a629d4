#include "export/ImageImporter.h"

#include "core/LocalFileUrl.h"
#include "core/Log.h"
#include "export/ImageFileType.h"
#include "export/ImageKind.h"
#include "export/ImageOrientation.h"
#include "export/ImageStream.h"
#include "export/SuffixTypes.h"
#include "imaging/MappedBitmap.h"
#include "platform/BmpDecoder.h"
#include "platform/Clipboard.h"
#include "platform/GifDecoder.h"
#include "platform/HeifDecoder.h"
#include "platform/JpegCodec.h"
#include "platform/LineSink.h"
#include "platform/MimeDataOffer.h"
#include "platform/PngCodec.h"
#include "platform/PosixFile.h"
#include "platform/Prefault.h"
#include "platform/TiffCodec.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

namespace quorvane::ImageImporter {
namespace {

using ImageKind::Kind;

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

bool beyondCaps(std::int64_t width, std::int64_t height) {
    return width > maxSide || height > maxSide || width * height > maxPixels;
}

// What the first bytes say of data that is none of the six formats.
ImportError refusal(QByteArrayView head, const std::optional<ImageFileType>& fallbackType) {
    if (const auto recognised = ImageFileType::recognised(head))
        return recognised->isSupported() ? ImportError::unreadable()
                                         : ImportError::unsupportedType(recognised->description());
    if (fallbackType && !fallbackType->isSupported())
        return ImportError::unsupportedType(fallbackType->description());
    return ImportError::unreadable();
}

// A file longer than any image within the caps takes is damaged; said so without reading it.
Result<void, ImportError> withinLength(Kind kind, qint64 length, QByteArrayView head) {
    if (length <= ImageKind::maxBytes(kind, maxPixels)) return {};
    if (const auto claimed = ImageKind::claimedSize(kind, head);
        claimed && beyondCaps(claimed->width, claimed->height))
        return Failure{ImportError::tooLarge(claimed->width, claimed->height)};
    return Failure{ImportError::unreadable()};
}

// Data whose structure breaks is damaged; a header that claims too much is reported as such, as
// when a decoder refuses it.
ImportError broken(Kind kind, QByteArrayView head) {
    if (const auto claimed = ImageKind::claimedSize(kind, head);
        claimed && beyondCaps(claimed->width, claimed->height))
        return ImportError::tooLarge(claimed->width, claimed->height);
    return ImportError::unreadable();
}

// Data whose first bytes are no well-formed start of its kind is damaged.
Result<void, ImportError> plausible(Kind kind, QByteArrayView head) {
    if (ImageKind::plausibleHead(kind, head)) return {};
    return Failure{broken(kind, head)};
}

Result<QImage, ImportError> decode(QByteArrayView bytes, const std::optional<ImageFileType>& fallbackType) {
    const std::optional<Kind> kind = ImageKind::sniff(bytes);
    if (!kind) return Failure{refusal(bytes, fallbackType)};
    if (auto fits = withinLength(*kind, bytes.size(), bytes); !fits) return Failure{fits.error()};
    const std::unique_ptr<ImageDecoder> decoder = makeDecoder(*kind, bytes);
    ImageHeader header;
    switch (decoder->readHeader(header)) {
    case ImageDecoder::Status::image:
        break;
    case ImageDecoder::Status::noFrames:
        return Failure{*kind == Kind::gif && ImageKind::hasTrailer(*kind, bytes) ? ImportError::noImage()
                                                                                : ImportError::unreadable()};
    case ImageDecoder::Status::unreadable:
        // A header that claims too much is reported as such, whatever else its decoder refused.
        if (const auto claimed = ImageKind::claimedSize(*kind, bytes);
            claimed && beyondCaps(claimed->width, claimed->height))
            return Failure{ImportError::tooLarge(claimed->width, claimed->height)};
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
    if (beyondCaps(width, height)) return Failure{ImportError::tooLarge(uprightWidth, uprightHeight)};
    if (!ImageKind::hasTrailer(*kind, bytes) || !decoder->complete())
        return Failure{ImportError::unreadable()};

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

// A list of file links longer than this is no list a person copied.
constexpr std::int64_t fileListLimit = std::int64_t{16} << 20;

// The longest offer read as `format`: the longest file of its kind within the caps, or of any
// kind for formats that only Qt reads.
std::int64_t longestOffer(const QString& format) {
    static const std::pair<const char*, Kind> kinds[] = {
        {"image/png", Kind::png},   {"image/jpeg", Kind::jpeg}, {"image/heic", Kind::heic},
        {"image/tiff", Kind::tiff}, {"image/gif", Kind::gif},   {"image/bmp", Kind::bmp}};
    const QMimeType type = QMimeDatabase().mimeTypeForName(format);
    std::int64_t longest = 0;
    for (const auto& [name, kind] : kinds) {
        if (type.isValid() && type.inherits(QLatin1String(name))) return ImageKind::maxBytes(kind, maxPixels);
        longest = std::max(longest, ImageKind::maxBytes(kind, maxPixels));
    }
    return longest;
}

// How much of an image offer to take. Its first bytes may already decide: data that is no image
// the importer knows, or a header that claims more than the caps, is refused whatever follows; any
// other, past the longest file of the kind they show, whatever the format names.
ClipboardLimit imageLimit(const QString& format) {
    return {longestOffer(format),
            [](QByteArrayView head) -> std::int64_t {
                const std::optional<Kind> kind = ImageKind::sniff(head);
                if (!kind || !ImageKind::plausibleHead(*kind, head)) return head.size();
                const auto claimed = ImageKind::claimedSize(*kind, head);
                if (claimed && beyondCaps(claimed->width, claimed->height)) return head.size();
                return ImageKind::maxBytes(*kind, maxPixels);
            },
            // What the decoder reads, as it comes: metadata it skips is never held, and the read
            // ends at the first byte that breaks the structure.
            [](QByteArrayView head, std::int64_t most) -> std::unique_ptr<ClipboardLimit::Keeper> {
                const std::optional<Kind> kind = ImageKind::sniff(head);
                if (!kind) return nullptr;
                return std::make_unique<ImageStream>(*kind, most);
            }};
}

// An offer refused for its length is refused as a file that long would be; one that never ended
// as damaged. Unavailable formats are nothing to refuse.
std::optional<ImportError> readRefusal(const ClipboardReadError& error) {
    switch (error.kind) {
    case ClipboardReadError::Kind::unavailable:
        return std::nullopt;
    case ClipboardReadError::Kind::stopped:
        return ImportError::unreadable();
    case ClipboardReadError::Kind::tooLong:
        break;
    }
    // As for a file too long for its kind: the size its header claims, when beyond the caps, else
    // damaged. Data of no kind is refused as its first bytes say.
    if (const std::optional<Kind> kind = ImageKind::sniff(error.head)) return broken(*kind, error.head);
    return error.head.isEmpty() ? ImportError::unreadable() : refusal(error.head, std::nullopt);
}

// "image/" and each format name Qt reads, PNG first: what Qt asks a clipboard for an image.
const QStringList& qtImageFormats() {
    static const QStringList formats = [] {
        QStringList names;
        for (const QByteArray& name : QImageReader::supportedImageFormats())
            names.append(QStringLiteral("image/") + QString::fromLatin1(name.toLower()));
        if (const qsizetype png = names.indexOf(QStringLiteral("image/png")); png > 0) names.move(png, 0);
        return names;
    }();
    return formats;
}

// The format's bytes; empty when it has none; an error when it has too many or never ended.
Result<QByteArray, ImportError> offered(ClipboardOffer& offer, const QString& format,
                                        const ClipboardLimit& limit) {
    auto bytes = offer.read(format, limit);
    if (bytes) return std::move(bytes).value();
    if (const auto refused = readRefusal(bytes.error())) return Failure{*refused};
    return QByteArray();
}

const QString uriList = QStringLiteral("text/uri-list");

// Whether a line of a list of links can name a local file at all: most lines of a long list are
// told apart without a URL being made of them.
bool mayNameFile(QByteArrayView line) {
    line = line.trimmed();
    return line.size() > 5 && QByteArrayView(line.first(5)).compare("file:", Qt::CaseInsensitive) == 0;
}

// A line of a list of links that names a file on another computer: only files on this one open.
std::optional<QUrl> fileElsewhere(QByteArrayView line) {
    QUrl url = LocalFileUrl::fromLink(line.trimmed());
    if (!LocalFileUrl::otherHost(url)) return std::nullopt;
    return url;
}

struct ListedFiles {
    // On this computer or another.
    std::optional<QUrl> first;
    // The first whose name gives a type we open.
    std::optional<QUrl> firstSupported;
};

// Local files of a text/uri-list, one link a line, read no further than the first whose name
// gives a type we open.
Result<ListedFiles, ImportError> listedFiles(ClipboardOffer& offer) {
    ListedFiles files;
    SuffixTypes types;
    LineSink sink(fileListLimit, [&](QByteArrayView line) {
        if (!mayNameFile(line) || (files.first && !types.supported(line))) return true;
        const std::optional<QUrl> url = LocalFileUrl::fromListLine(line);
        if (!url) {
            if (!files.first) files.first = fileElsewhere(line);
            return true;
        }
        if (!files.first) files.first = url;
        if (!types.supported(line)) return true;
        const auto type = ImageFileType::ofFile(LocalFileUrl::displayName(*url));
        if (!type || !type->isSupported()) return true;
        files.firstSupported = url;
        return false;
    });
    if (auto received = offer.receive(uriList, sink); !received)
        if (const auto refused = readRefusal(received.error())) return Failure{*refused};
    return files;
}

} // namespace

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
    if (auto host = LocalFileUrl::otherHost(file))
        return Failure{ImportError::onAnotherHost(std::move(*host))};
    // By the bytes of its name, which need not be text; regular files only: a pipe or a device
    // would block or never end.
    const std::optional<QByteArray> path = LocalFileUrl::path(file);
    QFile input;
    if (!path) return Failure{ImportError::unreadable()};
    if (auto opened = PosixFile::openForReading(input, *path); !opened) {
        const bool gone =
            PosixFile::isError(opened.error(), ENOENT) || PosixFile::isError(opened.error(), ENOTDIR);
        return Failure{gone ? ImportError::missing() : ImportError::unreadable()};
    }
    // Only the name's suffix counts, as text.
    const QString name = LocalFileUrl::displayName(file);
    // The first bytes decide, so that a file that is no image, or longer than any image of its
    // kind within the caps, is never read whole.
    const qint64 length = input.size();
    QByteArray bytes = input.read(std::min<qint64>(length, ImageKind::headLength));
    if (input.error() != QFileDevice::NoError) return Failure{ImportError::unreadable()};
    const std::optional<Kind> kind = ImageKind::sniff(bytes);
    if (!kind) return Failure{refusal(bytes, ImageFileType::ofFile(name))};
    if (auto fits = withinLength(*kind, length, bytes); !fits) return Failure{fits.error()};
    if (auto fits = plausible(*kind, bytes); !fits) return Failure{fits.error()};
    // What the file holds now: a file that grows meanwhile is read as far as it reached at first.
    // Read in blocks, of which only what the decoder needs is kept, up to the first byte that
    // breaks the structure (the file is damaged, whatever follows) or up to the end marker after
    // the picture: what follows it is never read.
    const ImportError damaged = broken(*kind, bytes);
    ImageStream stream(*kind, length);
    bool usable = stream.append(bytes);
    constexpr qint64 blockLength = 1 << 20;
    bytes.resize(static_cast<qsizetype>(std::min(blockLength, length)));
    for (qint64 left = length - stream.received(); usable && !stream.ended() && left > 0;) {
        const qint64 read = input.read(bytes.data(), std::min(left, blockLength));
        if (read <= 0) break;
        usable = stream.append(QByteArrayView(bytes.data(), static_cast<qsizetype>(read)));
        left -= read;
    }
    if (input.error() != QFileDevice::NoError) return Failure{ImportError::unreadable()};
    if (!usable) return Failure{damaged};
    bytes = QByteArray();
    return decode(stream.takeKept(), ImageFileType::ofFile(name));
}

Result<QImage, ImportError> image(const QByteArray& data) {
    if (data.isEmpty()) return Failure{ImportError::noImage()};
    if (const std::optional<Kind> kind = ImageKind::sniff(data))
        if (auto fits =
                plausible(*kind, QByteArrayView(data).first(std::min(data.size(), ImageKind::headLength)));
            !fits)
            return Failure{fits.error()};
    return decode(data, std::nullopt);
}

Result<std::optional<QImage>, ImportError> image(const Clipboard& clipboard) {
    const std::unique_ptr<ClipboardOffer> offer = clipboard.offer();
    if (!offer) return std::optional<QImage>();
    return image(*offer);
}

Result<std::optional<QImage>, ImportError> image(const QMimeData& pasteboard) {
    MimeDataOffer offer(pasteboard);
    return image(offer);
}

namespace {

Result<std::optional<QImage>, ImportError> found(Result<QImage, ImportError> result) {
    if (!result) return Failure{result.error()};
    return std::optional<QImage>(std::move(result).value());
}

} // namespace

Result<std::optional<QImage>, ImportError> image(ClipboardOffer& offer, const QString& format) {
    auto bytes = offered(offer, format, imageLimit(format));
    if (!bytes) return Failure{bytes.error()};
    if (bytes->isEmpty()) return std::optional<QImage>();
    return found(image(*bytes));
}

Result<std::optional<QUrl>, ImportError> firstListedFile(ClipboardOffer& offer) {
    std::optional<QUrl> file;
    LineSink sink(fileListLimit, [&](QByteArrayView line) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == '#') return true;
        file = LocalFileUrl::fromListLine(line);
        if (!file) file = fileElsewhere(line);
        return false;
    });
    if (auto received = offer.receive(uriList, sink); !received)
        if (const auto refused = readRefusal(received.error())) return Failure{*refused};
    return file;
}

Result<std::optional<QImage>, ImportError> image(ClipboardOffer& offer) {
    using Found = std::optional<QImage>;
    const QStringList formats = offer.formats();
    ListedFiles files;
    if (formats.contains(uriList)) {
        auto listed = listedFiles(offer);
        if (!listed) return Failure{listed.error()};
        files = std::move(listed).value();
    }
    if (files.firstSupported) return found(image(*files.firstSupported));
    for (const QString& type : pasteboardTypes()) {
        if (!formats.contains(type)) continue;
        auto read = image(offer, type);
        if (!read || read.value()) return read;
    }
    // Any other file: named, so that the message says what it is ("PDF document") or where.
    if (files.first) {
        if (auto host = LocalFileUrl::otherHost(*files.first))
            return Failure{ImportError::onAnotherHost(std::move(*host))};
        const auto type = ImageFileType::ofFile(LocalFileUrl::displayName(*files.first));
        return Failure{
            ImportError::unsupportedType(type ? type->description() : QStringLiteral("This file type"))};
    }
    // The other formats of ours are decoded as our own files are, never leniently by Qt.
    for (const QString& format : formats) {
        if (!ImageFileType::ofFormat(format).isSupported()) continue;
        auto read = image(offer, format);
        if (!read || read.value()) return read;
    }
    // Any other image format Qt reads, named and ordered as Qt asks for them.
    bool asBytes = false;
    for (const QString& format : qtImageFormats()) {
        if (!formats.contains(format)) continue;
        asBytes = true;
        // Qt knows these by their own signatures: every byte may count.
        auto bytes = offered(offer, format, ClipboardLimit{longestOffer(format), {}, {}});
        if (!bytes) return Failure{bytes.error()};
        if (bytes->isEmpty()) continue;
        const QImage picture = QImage::fromData(*bytes);
        if (picture.isNull()) return Found();
        return found(fromQImage(picture));
    }
    // An image put on the clipboard by this process as a picture rather than as bytes.
    if (asBytes) return Found();
    const QImage picture = offer.picture();
    if (picture.isNull()) return Found();
    return found(fromQImage(picture));
}

bool canRead(const QStringList& formats) {
    // Any list of files counts, unread: Paste then reads it, and says why a file cannot be opened.
    if (formats.contains(uriList) || formats.contains(QLatin1String("application/x-qt-image"))) return true;
    return std::any_of(formats.begin(), formats.end(), [&](const QString& format) {
        return pasteboardTypes().contains(format) || qtImageFormats().contains(format) ||
               ImageFileType::ofFormat(format).isSupported();
    });
}

bool canRead(Clipboard& clipboard) {
    return canRead(clipboard.offeredFormats());
}

bool canRead(const QMimeData& pasteboard) {
    return canRead(pasteboard.formats());
}

void logOpening(QSize size, bool opened) {
    if (opened)
        Log::app().log("Imported {}x{} px image", size.width(), size.height());
    else
        Log::app().log("Import not opened: the open document stays");
}

} // namespace quorvane::ImageImporter
