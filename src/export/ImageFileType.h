#pragma once

// A file's or data's type as the desktop names it: a MIME type, or for an extension no MIME type
// knows, only the extension. Tells the importer's six formats from other images and documents,
// for the message that refuses them.

#include <QByteArrayView>
#include <QMimeType>
#include <QString>
#include <optional>

namespace quorvane {

struct ImageFileType {
    QMimeType mime;
    QString suffix;

    // By the file's name, as the file manager types it; the disk is not read.
    static std::optional<ImageFileType> ofFile(const QString& path);
    // A clipboard or drag format ("image/png").
    static ImageFileType ofFormat(const QString& format);
    // Images and documents the platform's decoders would know by their content, though they are
    // none of the six accepted formats.
    static std::optional<ImageFileType> recognised(QByteArrayView bytes);

    // One of the six formats the importer opens.
    bool isSupported() const;
    // What the user reads: the type's description, else its upper-case extension.
    QString description() const;
};

} // namespace quorvane
