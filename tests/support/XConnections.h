#pragma once

// What a process costs the X server: the sockets it holds open (its X connections among them), and
// whether the server still takes one more client.

#include <QByteArray>
#include <QDir>
#include <climits>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace quorvane::test {

inline int openSockets() {
    int sockets = 0;
    const QString folder = QStringLiteral("/proc/self/fd/");
    for (const QString& name : QDir(folder).entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[PATH_MAX];
        const ssize_t length =
            ::readlink(QFile::encodeName(folder + name).constData(), target, sizeof target);
        if (length > 0 && QByteArray(target, length).startsWith("socket:")) ++sockets;
    }
    return sockets;
}

inline bool anotherClientConnects() {
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> client(xcb_connect(nullptr, nullptr),
                                                                        &xcb_disconnect);
    return xcb_connection_has_error(client.get()) == 0;
}

} // namespace quorvane::test
