#pragma once

// Real PNG files for dragging the image out of the program. The receiver reads the file after
// the drag has ended, so the files outlive the drag: they live in one private folder, are named
// like the screenshot, never replace one another and are thinned out as new ones arrive.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/PosixFile.h"

#include <QDateTime>
#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

class DragExporter {
public:
    // Renames a temporary file to its final name unless that exists: 0 or an errno value.
    using Rename = std::function<int(const QString& from, const QString& to)>;

    static constexpr int maxNames = 1000;
    static constexpr double previewSide = 160;

    // `directory` is the private folder.
    explicit DragExporter(QString directory);
    // "Quorvane Drag" in the user's cache folder: kept files can add up to hundreds of megabytes,
    // too much for the small memory-backed runtime folder.
    static QString defaultDirectory();

    const QString& directory() const { return directory_; }
    // How many of the newest files pruning keeps while they are younger than a day.
    int keepLatest = 20;
    // The clock for fallback names and for the age of files.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Seams for tests that act out a full disk or a failing rename.
    const PosixFile::Calls* calls = &PosixFile::Calls::system();
    Rename rename;

    // Writes `image` as a finished PNG file in the folder and returns its path.
    Result<QString, Error> file(const QImage& image, const std::optional<QString>& name = std::nullopt);
    // Deletes everything inside the folder; the folder stays. Does nothing when a link or a file
    // stands at its path.
    void removeAll() const;
    // Keeps files of the last two minutes, then the newest `keepLatest`, and none older than a day.
    void prune() const;

    static QString baseName(const std::optional<QString>& name, const QDateTime& date);
    // The drag image: at most `maxSide` points on its longer side, never larger than the image,
    // backed by twice as many pixels.
    static QPixmap preview(const QImage& image, double maxSide = previewSide);
    // The preview's frame centred on `point`.
    static QRectF draggingFrame(const QSizeF& previewSize, const QPointF& point);

private:
    Result<void, Error> prepareDirectory() const;

    QString directory_;
};

} // namespace quorvane
