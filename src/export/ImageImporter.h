#pragma once

// The one way in for images that were not captured: files, bytes and the clipboard. Accepts PNG,
// JPEG, HEIC, TIFF, GIF and BMP; refuses images beyond the size caps before decoding a pixel,
// refuses data that is visibly incomplete, and turns the result upright.

#include "core/Result.h"
#include "export/ImageKind.h"
#include "export/ImportError.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <optional>

class QMimeData;

namespace quorvane {
class Clipboard;
class ClipboardOffer;
}

namespace quorvane::ImageImporter {

inline constexpr std::int64_t maxSide = 32'000;
inline constexpr std::int64_t maxPixels = 32'000'000;

// MIME names of the six accepted types, in their order: PNG, JPEG, HEIC, TIFF, GIF, BMP.
const QStringList& supportedTypes();
// Clipboard formats read directly as image data, in their order.
const QStringList& pasteboardTypes();

// Images come back RGBA8888_Premultiplied, opaque where the format has no alpha, in mapped
// memory, tagged with the file's colour profile (sRGB when it has none). Never RGBX8888: Qt 6.4
// overruns the heap converting a padded RGBX8888 image to RGBA8888.
Result<QImage, ImportError> image(const QUrl& file);
Result<QImage, ImportError> image(const QByteArray& data);
// None when the clipboard holds nothing taken for an image; an error when it holds an image
// that cannot be opened. File URLs come before image data. Each format is read no further than
// the longest file its kind can take within the caps (a list of files, no further than 16 MiB, and
// no further than its first file of a kind we open), nor past its first 64 KiB when they already
// decide (no image of ours, or a header beyond the caps), nor past the longest file of the kind
// they show: an offer found longer is refused as such a file is. An image is read no further than
// its first byte that breaks its format, as a file is, and refused as damaged. Another program's
// offer waits for that program: read it on a worker (OfferReader).
Result<std::optional<QImage>, ImportError> image(ClipboardOffer& offer);
Result<std::optional<QImage>, ImportError> image(const Clipboard& clipboard);
Result<std::optional<QImage>, ImportError> image(const QMimeData& pasteboard);
// The image of one format on offer, read and refused as above; none when it holds no bytes.
Result<std::optional<QImage>, ImportError> image(ClipboardOffer& offer, const QString& format);
// The first item of a list of files on offer, read no further than that item: its file (a file on
// another computer too, which image() then refuses, naming the host), or none when the item is no
// file link or there is no list.
Result<std::optional<QUrl>, ImportError> firstListedFile(ClipboardOffer& offer);

// Whether Paste should be offered for the formats on offer; nothing is read.
bool canRead(const QStringList& formats);
// For what the clipboard holds as far as known now, without waiting on its holder.
bool canRead(Clipboard& clipboard);
bool canRead(const QMimeData& pasteboard);

// The log's line for an image of `size` brought in, which the document took or, with unexported
// changes kept, did not.
void logOpening(QSize size, bool opened);

} // namespace quorvane::ImageImporter
