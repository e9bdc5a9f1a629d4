#pragma once

#include <QString>
#include <QStringList>

namespace quorvane::DesktopEntryIcon {

// The icon name that an application's desktop entry gives (its Icon= key), looked up by the
// application's class name as "<name>.desktop" or "<lower-case name>.desktop" in the XDG data
// folders' applications/; empty when there is none. The entry is untrusted: only a plain name
// or an absolute path of a readable file is taken.
QString iconName(const QString& applicationName);
// The folders searched, most important first.
QStringList applicationFolders();

} // namespace quorvane::DesktopEntryIcon
