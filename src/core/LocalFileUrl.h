#pragma once

// Local files as the bytes the file system holds. A name need not be valid UTF-8 (a Latin-1 "é"
// from an old archive): QString cannot carry such a byte, so a file travels as a file URL whose
// path keeps it percent-encoded, and is opened by those bytes. Names shown to people are decoded
// for display only.

#include <QByteArray>
#include <QByteArrayView>
#include <QUrl>
#include <optional>

namespace quorvane::LocalFileUrl {

// The file URL of the absolute path `path` (bytes, not text).
QUrl fromPath(QByteArrayView path);
// The path of a local file URL, as bytes: "file:///…", "file://localhost/…" or "file://<this
// computer's host name>/…". None for any
// other URL, or for a path that holds a NUL byte.
std::optional<QByteArray> path(const QUrl& url);
// The host of a file URL that names a file on another computer ("file://otherhost/…"); none for
// a local file URL or any other URL.
std::optional<QString> otherHost(const QUrl& url);
// A link's bytes as a URL. Bytes beyond ASCII, which a link should carry percent-encoded, are
// taken as themselves rather than read as UTF-8: a raw Latin-1 byte must not turn into U+FFFD and
// name another file.
QUrl fromLink(QByteArrayView link);
// One line of a text/uri-list (without its line break): the file it names, or none for a comment,
// a blank line, a link elsewhere or a malformed link.
std::optional<QUrl> fromListLine(QByteArrayView line);
// The file's name for people: the last path component, with bytes that are not UTF-8 shown as
// U+FFFD.
QString displayName(const QUrl& url);

} // namespace quorvane::LocalFileUrl
