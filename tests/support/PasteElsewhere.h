#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane::test {

// Reads the clipboard as `target` with xclip, the way another program pastes, while this process
// keeps answering the X server. Empty when nothing comes.
QByteArray pasteElsewhere(const QString& target);

} // namespace quorvane::test
