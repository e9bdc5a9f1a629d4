#pragma once

// The before/after GIF: two frames that alternate forever, the first with only the annotations
// that hide or cover content, the second with every annotation.

#include "core/Error.h"
#include "core/Result.h"
#include "document/EditorDocument.h"
#include "export/ImageExporter.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QUrl>
#include <functional>
#include <utility>
#include <vector>

namespace quorvane::GIFExporter {

using Renderer = std::function<Result<QImage, Error>(const EditorDocument::Output&)>;

// Redactions, blur, pixelation, erase, and filled rectangles and ovals, in their order.
EditorDocument::Annotations beforeAnnotations(const EditorDocument::Annotations& annotations);

// (before, after); frames of different sizes fail with encodingFailed.
Result<std::pair<QImage, QImage>, Error> frames(const EditorDocument& document,
                                                const Renderer& render = EditorDocument::renderOutput);

// A looping GIF of the images, each shown `delaySeconds`, over one palette of both.
Result<QByteArray, ImageExporter::ExportError> encode(const std::vector<QImage>& images, double delaySeconds);

// Renders, encodes and stores with the no-overwrite write; an existing file is never replaced.
Result<void, Error> save(const EditorDocument& document, const QUrl& destination,
                         const Renderer& render = EditorDocument::renderOutput);

// "<source stem> before-after.gif", or "Quorvane before-after <UTC time, ':' as '-'>.gif".
QString suggestedName(const EditorDocument& document, const QDateTime& date);

} // namespace quorvane::GIFExporter
