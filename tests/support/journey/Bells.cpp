#include "support/journey/Bells.h"

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <cstdlib>
#include <xcb/xcb.h>
// The header names a field "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace quorvane::journey {

struct Bells::Connection {
    xcb_connection_t* xcb = nullptr;
    std::uint8_t firstEvent = 0;
};

Bells::Bells() : connection_(std::make_unique<Connection>()) {
    xcb_connection_t* xcb = xcb_connect(test::x11Server().display().toUtf8().constData(), nullptr);
    connection_->xcb = xcb;
    if (xcb_connection_has_error(xcb) != 0) return;
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(xcb, &xcb_xkb_id);
    if (xkb == nullptr || !xkb->present) return;
    connection_->firstEvent = xkb->first_event;
    free(xcb_xkb_use_extension_reply(xcb, xcb_xkb_use_extension(xcb, 1, 0), nullptr));
    const auto bell = std::uint16_t(XCB_XKB_EVENT_TYPE_BELL_NOTIFY);
    xcb_discard_reply(xcb, xcb_xkb_select_events_checked(xcb, XCB_XKB_ID_USE_CORE_KBD, bell, 0, bell, 0, 0,
                                                         nullptr)
                               .sequence);
    // The selection is in place once the server answered something after it.
    free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
}

Bells::~Bells() {
    xcb_disconnect(connection_->xcb);
}

int Bells::count() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_->xcb)) {
        const auto* xkb = reinterpret_cast<const xcb_xkb_bell_notify_event_t*>(event);
        if ((event->response_type & 0x7f) == connection_->firstEvent && xkb->xkbType == XCB_XKB_BELL_NOTIFY)
            ++count_;
        free(event);
    }
    return count_;
}

bool Bells::waitFor(int total, int timeoutMs) {
    return test::waitUntil([&] { return count() >= total; }, timeoutMs);
}

} // namespace quorvane::journey
