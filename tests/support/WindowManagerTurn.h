#pragma once

// Waits until the window manager has handled everything a window of ours asked of it so far (a
// zoom, a move) and Qt has heard what it did: a check that the window did not move or zoom can
// follow.

#include "platform/X11CaptureReply.h"
#include "support/WaitUntil.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace quorvane::test {

// The name the window manager shows for `window` (openbox sets it whenever the title changes).
inline QByteArray visibleName(xcb_window_t window) {
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(xcb_connect(nullptr, nullptr),
                                                                   &xcb_disconnect);
    if (xcb_connection_has_error(c.get()) != 0) return {};
    const auto atom = [&](const char* name) {
        X11Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c.get(), xcb_intern_atom(c.get(), 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c.get(),
        xcb_get_property(c.get(), 0, window, atom("_NET_WM_VISIBLE_NAME"), atom("UTF8_STRING"), 0, 256),
        nullptr));
    if (!reply || reply->format != 8) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

// Gives `window` a new title and waits until the window manager shows it: it handles its
// requests in order, so it has handled those sent before the title. Then a round trip brings
// what it did back to Qt.
inline bool windowManagerCaughtUp(QWidget& window) {
    static int round = 0;
    const QByteArray marker = "caught up " + QByteArray::number(++round);
    window.setWindowTitle(QString::fromUtf8(marker));
    const auto id = static_cast<xcb_window_t>(window.winId());
    const bool shown = waitUntil([&] { return visibleName(id) == marker; });
    QGuiApplication::sync();
    return shown;
}

} // namespace quorvane::test
