#pragma once

// Names and folders of saved exports.

#include "core/Error.h"
#include "core/Result.h"
#include "export/ImageExporterFormat.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace quorvane::ExportFiles {

// A missing save folder is made with its parents (the Pictures default does not exist on a
// fresh system). Anything already at the path is left as it is: a file or a dangling link there
// fails later, in the write, with its own error.
Result<void, Error> prepareFolder(const QString& folder);

// The folder's own name, as a file manager shows it: "Shots" for /home/me/Shots/shot.png.
QString folderDisplayName(const QUrl& file);

// The last path component of `name` without its extension: "Screen Shot" for "Screen Shot.png",
// "a.b" for "a.b.png", ".hidden" for ".hidden".
QString stem(const QString& name);

// The save dialog's proposal: "<stem> (Quorvane).<extension>" for a document with a source name,
// else a new unique name in `folder`.
QString proposedName(const std::optional<QString>& sourceName, ImageExporter::Format format,
                     const QString& folder);

// The dialog filter of a format, e.g. "PNG image (*.png)".
QString nameFilter(ImageExporter::Format format);

} // namespace quorvane::ExportFiles
