#include "export/ImportError.h"

#include "core/Error.h"
#include "core/LocalFileUrl.h"
#include "core/Log.h"
#include "core/LoggedReason.h"
#include "export/ImageImporter.h"

#include <algorithm>

namespace quorvane::ImageImporter {

QString ImportError::message(const QUrl& file) const {
    const bool named = !file.isEmpty();
    const QString name = QStringLiteral("“") + LocalFileUrl::displayName(file) + QStringLiteral("”");
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
    case Kind::missing:
        return (named ? name : QStringLiteral("The file")) +
               QStringLiteral(" isn't there. It may have been moved, renamed, or deleted.");
    case Kind::onAnotherHost: {
        // The host first, where a narrow window's two lines still show it.
        const QString shownHost = host.size() > 64 ? host.left(63) + QStringLiteral("…") : host;
        return QStringLiteral("Quorvane can't open files on ") + shownHost +
               (named ? QStringLiteral(": ") + name + QStringLiteral(" isn't on this computer.")
                      : QStringLiteral(": only files on this computer can be opened."));
    }
    }
    return {};
}

void ImportError::log() const {
    // The message without the file: its name is the user's.
    const Error logged{QStringLiteral("Quorvane.Import"), static_cast<int>(kind), message()};
    Log::app().error("Import failed: {} {}{}", logged.domain, logged.code, loggedReason(logged));
}

} // namespace quorvane::ImageImporter
