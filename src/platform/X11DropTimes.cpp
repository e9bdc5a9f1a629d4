#include "platform/X11DropTimes.h"

#include "platform/QtX11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane::X11DropTimes {
namespace {

class DropFilter : public QAbstractNativeEventFilter {
public:
    explicit DropFilter(xcb_atom_t drop) : drop_(drop) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->type != drop_ || client->format != 32) return false;
        window_ = client->window;
        time_ = client->data.data32[2];
        return false;
    }

    std::uint32_t lastDrop(std::uint32_t window) const { return window == window_ ? time_ : 0; }

private:
    xcb_atom_t drop_;
    xcb_window_t window_ = XCB_NONE;
    std::uint32_t time_ = 0;
};

DropFilter* filter = nullptr;

} // namespace

void watch() {
    xcb_connection_t* connection = qtX11Connection();
    if (filter != nullptr || connection == nullptr || QCoreApplication::instance() == nullptr) return;
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 8, "XdndDrop"), nullptr);
    if (reply == nullptr) return;
    // Lives as long as the application, which filters with it.
    static DropFilter made(reply->atom);
    std::free(reply);
    filter = &made;
    QCoreApplication::instance()->installNativeEventFilter(filter);
}

std::uint32_t lastDrop(std::uint32_t window) {
    return filter != nullptr ? filter->lastDrop(window) : 0;
}

} // namespace quorvane::X11DropTimes
