#pragma once

// A complete file waiting in a folder for its final name. Where the file system allows, it has no
// name at all until it is linked, so a crash in between leaves nothing behind; elsewhere it is a
// hidden file of the given name, removed again with this object.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/PosixFile.h"

#include <QByteArrayView>
#include <QString>

namespace quorvane {

class StagedFile {
public:
    // Writes every byte and flushes them to storage. `hiddenName` is used only where the folder's
    // file system cannot make unnamed files; it is created exclusively.
    static Result<StagedFile, Error> write(const QString& folder, const QString& hiddenName,
                                           QByteArrayView bytes,
                                           const PosixFile::Calls& calls = PosixFile::Calls::system());

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // A path to give to a hard link (PosixFile::hardLink): the open file's entry under /proc for
    // an unnamed file, else the hidden file's path.
    const QString& path() const { return path_; }
    bool unnamed() const { return fd_ >= 0; }

private:
    StagedFile(int fd, QString path, const PosixFile::Calls& calls);

    int fd_ = -1;
    QString path_;
    const PosixFile::Calls* calls_;
};

} // namespace quorvane
