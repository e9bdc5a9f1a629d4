#pragma once

#include "export/ImageImporter.h"
#include "export/OfferReader.h"

#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>

class QMimeData;

namespace quorvane {

class Beeper;
class CaptureController;
class ClipboardOffer;

// Opens an image dropped on the editor window: a file goes to the shell's importer (which refuses
// one on another computer, naming the host), image data is decoded here and opened through the
// normal document handover. Only the first item counts; a local file wins over image data, image
// data over a file on another computer, PNG over TIFF over JPEG over any other image type.
// Another program's drop is read as a paste is, without the window waiting for that program.
// Every drop leaves one line in the log, and one we cannot use is said to the user as a paste
// says it.
class ImageDropTarget {
public:
    // What a drop holds: its first file, or else the image of the type it prefers, or why neither
    // can be had.
    struct Dropped {
        std::optional<QUrl> file;
        QString type;
        Result<std::optional<QImage>, ImageImporter::ImportError> image = std::optional<QImage>();
    };

    ImageDropTarget(CaptureController& capture, Beeper& beeper, std::function<void(const QUrl&)> importImage);

    // The types a drop is taken for, in the order they are preferred: a list of files, then PNG,
    // TIFF, JPEG and any other image type.
    static QStringList types();
    // Whether a drag of these types would be taken; nothing is read.
    static bool accepts(const QStringList& formats);
    // What a drop of this process's `data` opens, or null; other programs' drops come through the
    // drop target, their data asked for already.
    static std::unique_ptr<ClipboardOffer> take(const QMimeData& data);

    // Reads what was dropped; waits for another program's data: on a worker thread only.
    static Dropped read(ClipboardOffer& dropped);
    // Whether what was read opens a file or an image; otherwise the drop is of no use to us.
    static bool opens(const Dropped& found);
    // A drop refused before anything was read, for the reason `why`: its line in the log.
    static void refused(const char* why);

    // Reads and opens what was dropped, keeping `held` (the window's input) until then. Refused
    // data shows the importer's message as a capture error without Retry; a drop that holds
    // nothing to open sounds the bell, as a paste does. A drop still being read when the next one
    // comes is given up.
    void open(std::shared_ptr<ClipboardOffer> dropped, InputHold::Token held = {});
    // Gives up the drop being read, for `why`: one that failed ends as one whose source fell silent
    // does; one the person gave up says nothing.
    void giveUp(InputHold::Reason why);
    // Opens what was read from a drop, or says why nothing opens.
    void open(Dropped found);

private:
    CaptureController& capture_;
    Beeper& beeper_;
    std::function<void(const QUrl&)> importImage_;
    OfferReader reader_;
    bool reading_ = false;
};

} // namespace quorvane
