#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QMimeData;

namespace quorvane {

class CaptureController;

// Opens an image dropped on the editor window: a local file goes to the shell's importer, image
// data is decoded here and opened through the normal document handover. Only the first item
// counts; a file wins over image data, PNG over TIFF over JPEG over any other image type.
class ImageDropTarget {
public:
    struct Dropped {
        std::optional<QUrl> file;
        QString type;
        QByteArray data;
    };

    ImageDropTarget(CaptureController& capture, std::function<void(const QUrl&)> importImage);

    // Whether a drag of `mime` would be taken; reads no image data.
    static bool accepts(const QMimeData& mime);
    // Copies out what a drop opens: a drag's data cannot be fetched once the drop has returned.
    static std::optional<Dropped> take(const QMimeData& mime);

    // Opens what was dropped: refused data shows the importer's message as a capture error
    // without Retry.
    void open(const Dropped& dropped);

private:
    CaptureController& capture_;
    std::function<void(const QUrl&)> importImage_;
};

} // namespace quorvane
