#pragma once

// Every image that leaves the program goes through here: new file names, PNG and JPEG encoding,
// and writes that never replace an existing file.

#include "core/Error.h"
#include "core/Result.h"
#include "export/ImageExporterFormat.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

namespace quorvane {
class Clipboard;
}

namespace quorvane::ImageExporter {

enum class ExportError { invalidQuality, encodingFailed, invalidDestination, clipboardFailed };

inline constexpr char exportErrorDomain[] = "Quorvane.ImageExporter.ExportError";

QString message(ExportError error);
// The error as the user interface and the log see it: the domain above, the case's position as
// its code.
Error error(ExportError error);

// Makes a second name `destination` for the file `source`; must fail rather than replace.
using LinkOperation = std::function<Result<void, Error>(const QString& source, const QString& destination)>;
// The hard link of the file system.
Result<void, Error> hardLink(const QString& source, const QString& destination);

// `folder` + "QuorvaneShot-<UTC time, ':' as '-'>-<UUID>.<extension>". The disk is not consulted.
QUrl uniqueURL(const QUrl& folder, Format format);

// Quality must be finite and within 0…1 for both formats. PNG keeps transparency; JPEG is
// flattened onto white.
Result<QByteArray, ExportError> encode(const QImage& image, Format format, double quality);

// Checks the destination, encodes, writes.
Result<void, Error> save(const QImage& image, const QUrl& destination, Format format, double quality,
                         const LinkOperation& link = hardLink);

// The no-overwrite write: a temporary file beside `destination`, flushed to storage, then linked
// to its final name; where the file system has no hard links, exclusive creation instead. An
// existing destination is never replaced and the temporary file never stays behind: it has no
// name until it is linked, or where the file system cannot do that, a hidden name (see
// isTemporaryName). Hidden temporary files that a crash left in the folder are removed first.
Result<void, Error> write(const QByteArray& bytes, const QUrl& destination,
                          const LinkOperation& link = hardLink);

// ".quorvane-<UUID>.tmp": the hidden temporary files of write().
bool isTemporaryName(std::string_view name);
// A hidden temporary file unchanged for this long belongs to no save still running.
inline constexpr std::chrono::seconds staleTemporaryAge = std::chrono::minutes(10);

// Whether a failed link should fall back to exclusive creation.
bool linkUnsupported(const Error& error);

Result<void, Error> writeExclusive(const QByteArray& bytes, const QUrl& destination);

// Replaces the clipboard's contents with one item: these PNG bytes, and a TIFF made only when a
// reader asks for it. Call on the GUI thread.
Result<void, ExportError> write(const QByteArray& png, Clipboard& clipboard);

} // namespace quorvane::ImageExporter
