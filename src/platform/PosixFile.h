#pragma once

// The file system calls behind no-overwrite saves: exclusive creation, hard links and removal; and
// opening a file to read by the bytes of its name. Failures are POSIX errors carrying Linux errno
// values.

#include "core/Error.h"
#include "core/Result.h"

#include <QByteArrayView>
#include <QString>
#include <chrono>
#include <functional>
#include <string_view>
#include <sys/types.h>

class QFile;

namespace quorvane::PosixFile {

inline constexpr char errorDomain[] = "POSIX";

// A POSIX error with the system's text for `code`; codes the system does not know become EIO.
Error error(int code);
bool isError(const Error& error, int code);

// The calls writeExclusive makes, so that tests can act out a full disk or a failing close.
// Each behaves like the system call of its name: -1 with errno set on failure.
class Calls {
public:
    virtual ~Calls() = default;
    virtual int open(const char* path, int flags, mode_t mode) const;
    virtual ssize_t write(int fd, const void* data, size_t size) const;
    virtual int fsync(int fd) const;
    virtual int close(int fd) const;
    virtual int unlink(const char* path) const;
    virtual int rename(const char* from, const char* to) const;

    static const Calls& system();
};

// Writes every byte from the start, repeating interrupted calls, and flushes them to storage; the
// error is the first failure's.
Result<void, Error> writeAllFlushed(int fd, QByteArrayView bytes, const Calls& calls = Calls::system());

// Opens the regular file at `path` (the bytes the file system holds, which need not be text) for
// reading into `file`, unbuffered; `file` then owns the descriptor. A pipe, device or folder is
// refused without waiting for a writer: it would block, or never end.
Result<void, Error> openForReading(QFile& file, QByteArrayView path);

// Creates `path` exclusively with mode 0644, writes every byte and flushes them to storage. On
// any failure the file just created is removed again; an existing file is never touched.
Result<void, Error> writeExclusive(const QString& path, QByteArrayView bytes,
                                   const Calls& calls = Calls::system());

// Writes `path` whole or not at all: every byte goes to a new file beside it (named "." + the
// name + a random suffix, so it never carries the name's extension), is flushed to storage, and
// then replaces whatever `path` names. A symbolic link of this user's to a regular file stays: its
// target is replaced, in the target's folder, keeping its permissions. On any failure the new file
// is removed and `path` is left as it was. For files the user asked to replace; saves of images
// never come here.
Result<void, Error> writeReplacing(const QString& path, QByteArrayView bytes,
                                   const Calls& calls = Calls::system());

// A second name for `source`; fails with EEXIST rather than replace `destination`. A symbolic
// link as `source` is followed, so that an open unnamed file can be named through /proc.
Result<void, Error> hardLink(const QString& source, const QString& destination);

// Removes the regular files in `folder` that belong to this user, whose names `matches` accepts
// and that nobody has changed for `age`: what a crash in the middle of a save left behind.
// Symbolic links are never followed; failures are ignored. Returns how many were removed.
int removeStale(const QString& folder, const std::function<bool(std::string_view name)>& matches,
                std::chrono::seconds age);

// Removes one name; a failure is ignored. Symbolic links are removed, never followed.
void remove(const QString& path);

} // namespace quorvane::PosixFile
