#pragma once

// The few file-system calls of a private folder of short-lived files (the drag-out files):
// exclusive renames, permissions, listing and emptying. Symbolic links are never followed.

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane::FolderFiles {

struct Entry {
    QString path;
    std::optional<QDateTime> modified;
};

// Renames `from` to `to` unless `to` exists: 0 or an errno value (EEXIST when it does). Where
// the file system has no exclusive rename, a hard link and an unlink do the same.
int renameNoReplace(const QString& from, const QString& to);
// 0 or an errno value.
int setMode(const QString& path, unsigned mode);
// The regular files of `folder` in listing order, hidden ones included; links, folders and
// entries that cannot be read are left out. Empty when the folder cannot be listed.
std::vector<Entry> regularFiles(const QString& folder);
// Removes everything inside `folder`, which must be a real folder (not a link); sub-folders go
// with their contents, links are removed without being followed. Errors are ignored.
void removeContents(const QString& folder);

} // namespace quorvane::FolderFiles
