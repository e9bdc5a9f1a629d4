#include "platform/XdndFilter.h"

#include "platform/QtX11Connection.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace quorvane {

XdndFilter::XdndFilter() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || QCoreApplication::instance() == nullptr) return;
    constexpr std::array names = {"XdndEnter", "XdndPosition", "XdndLeave",
                                  "XdndDrop",  "XdndStatus",   "XdndFinished"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        (i < drags_.size() ? drags_[i] : answers_[i - drags_.size()]) = reply != nullptr ? reply->atom : 0;
        std::free(reply);
    }
    // The filter installed last looks first: installed once start-up has installed the others, it
    // spares them a flood.
    QTimer::singleShot(0, &installing_, [this] {
        QCoreApplication::instance()->installNativeEventFilter(this);
        installed_ = true;
    });
}

XdndFilter::~XdndFilter() {
    if (installed_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool XdndFilter::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    // Every event of the program passes here: the common ones leave at the first look.
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE || type != "xcb_generic_event_t") return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32 || client->type == 0) return false;
    if (std::find(drags_.begin(), drags_.end(), client->type) != drags_.end()) return true;
    if (std::find(answers_.begin(), answers_.end(), client->type) == answers_.end()) return false;
    // A window Qt has not made natively has no id yet, and asking for one would make it.
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [client](const QWindow* each) {
        return each->handle() != nullptr && each->winId() == client->window;
    });
}

} // namespace quorvane
