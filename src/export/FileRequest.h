#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace quorvane {

// What the export controller asks the user to choose: a new file to save into, or a folder; and
// for files that are not screenshots (diagnostics), a file that may replace an existing one once
// the user confirmed it.
struct FileRequest {
    enum class Kind { newFile, folder, replaceableFile };

    Kind kind = Kind::newFile;
    // The window the chooser belongs to; none: application-modal.
    QPointer<QWidget> window;
    QString directory;
    QString proposedName;
    // e.g. "PNG image (*.png)"; new files only.
    QString nameFilter;
    // Added to a name typed without one, e.g. "png".
    QString defaultSuffix;

    bool operator==(const FileRequest&) const = default;
};

// Shows the chooser and returns at once; `done` gets the chosen path, or none when the user
// cancelled. Called on the GUI thread, at most once.
using FileChooser =
    std::function<void(const FileRequest& request, std::function<void(std::optional<QString> path)> done)>;

} // namespace quorvane
