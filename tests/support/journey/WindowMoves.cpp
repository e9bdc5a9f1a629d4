#include "support/journey/WindowMoves.h"

#include "support/XvfbServer.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane::journey {

struct WindowMoves::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
};

WindowMoves::WindowMoves() : connection_(std::make_unique<Connection>()) {
    xcb_connection_t* xcb = xcb_connect(test::x11Server().display().toUtf8().constData(), nullptr);
    connection_->xcb = xcb;
    if (xcb_connection_has_error(xcb) != 0) return;
    connection_->root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(xcb, connection_->root, XCB_CW_EVENT_MASK, &events);
    // Recording has begun once the server answered something after the selection.
    std::free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
}

WindowMoves::~WindowMoves() {
    xcb_disconnect(connection_->xcb);
}

void WindowMoves::read() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_->xcb)) {
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto* created = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            reports_.push_back({Report::Kind::placed, created->window, created->parent, created->x});
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configured = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (configured->event == connection_->root)
                reports_.push_back({Report::Kind::placed, configured->window, connection_->root, configured->x});
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (mapped->event == connection_->root)
                reports_.push_back({Report::Kind::mapped, mapped->window, connection_->root, 0});
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* unmapped = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
            if (unmapped->event == connection_->root)
                reports_.push_back({Report::Kind::unmapped, unmapped->window, connection_->root, 0});
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto* reparented = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            reports_.push_back({Report::Kind::reparented, reparented->window, reparented->parent, reparented->x});
            break;
        }
        default:
            break;
        }
        std::free(event);
    }
}

std::vector<int> WindowMoves::leftEdges(const QString& id) {
    read();
    const auto client = static_cast<std::uint32_t>(id.toULongLong());
    // The last known left edge of every window on the root; the frame that holds the client, and
    // whether it is on the screen.
    std::map<std::uint32_t, int> rootChildren;
    std::uint32_t frame = 0;
    bool shown = false;
    std::vector<int> edges;
    for (const Report& report : reports_) {
        switch (report.kind) {
        case Report::Kind::placed:
            if (report.parent != connection_->root) break;
            rootChildren[report.window] = report.x;
            if (shown && report.window == frame) edges.push_back(report.x);
            break;
        case Report::Kind::reparented:
            if (report.window != client) break;
            frame = report.parent == connection_->root ? client : report.parent;
            shown = false;
            if (frame == client) rootChildren[client] = report.x;
            break;
        case Report::Kind::mapped:
            if (frame == 0 || report.window != frame) break;
            shown = true;
            if (const auto known = rootChildren.find(frame); known != rootChildren.end())
                edges.push_back(known->second);
            break;
        case Report::Kind::unmapped:
            if (report.window == frame) shown = false;
            break;
        }
    }
    return edges;
}

} // namespace quorvane::journey
