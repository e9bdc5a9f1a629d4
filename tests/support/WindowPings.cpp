#include "support/WindowPings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <future>
#include <poll.h>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane::test {
namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

} // namespace

WindowPings::WindowPings(std::uint32_t window) {
    std::promise<void> ready;
    std::future<void> started = ready.get_future();
    thread_ = std::thread([this, window, &ready] { run(window, ready); });
    started.wait();
}

WindowPings::~WindowPings() {
    stop_ = true;
    thread_.join();
}

std::chrono::milliseconds WindowPings::longestWait(Clock::time_point from, Clock::time_point to) {
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(mutex_);
    Clock::duration longest{};
    for (const auto& [serial, ping] : pings_)
        if (ping.handedOn >= from && ping.handedOn <= to)
            longest = std::max(longest, ping.answered.value_or(now) - ping.handedOn);
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest);
}

std::optional<WindowPings::Clock::time_point> WindowPings::firstAnswerAfter(Clock::time_point since) {
    std::lock_guard lock(mutex_);
    std::optional<Clock::time_point> first;
    for (const auto& [serial, ping] : pings_)
        if (ping.handedOn > since && ping.answered && (!first || *ping.answered < *first))
            first = ping.answered;
    return first;
}

void WindowPings::run(std::uint32_t window, std::promise<void>& ready) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_generic_error_t* refused =
        xcb_connection_has_error(connection) != 0
            ? nullptr
            : xcb_request_check(connection, xcb_change_window_attributes_checked(connection, root,
                                                                                 XCB_CW_EVENT_MASK, &mask));
    watching_ = xcb_connection_has_error(connection) == 0 && refused == nullptr;
    std::free(refused);
    ready.set_value();
    if (!watching_) {
        xcb_disconnect(connection);
        return;
    }
    const xcb_atom_t protocols = atom(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(connection, "_NET_WM_PING");
    std::uint32_t serial = 0;
    Clock::time_point nextPing = Clock::now();
    Clock::time_point drained = Clock::now();
    while (!stop_ && xcb_connection_has_error(connection) == 0) {
        if (Clock::now() >= nextPing) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = window;
            message.type = protocols;
            message.data.data32[0] = ping;
            message.data.data32[1] = ++serial;
            message.data.data32[2] = window;
            xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&message));
            // Handed on once the server answers a question asked after it.
            std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
            std::lock_guard lock(mutex_);
            pings_[serial].handedOn = Clock::now();
            nextPing += std::chrono::milliseconds(100);
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const auto* answer = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_MAP_REQUEST) {
                xcb_map_window(connection, reinterpret_cast<const xcb_map_request_event_t*>(event)->window);
            } else if ((event->response_type & 0x7f) == XCB_CONFIGURE_REQUEST) {
                const auto* asked = reinterpret_cast<const xcb_configure_request_event_t*>(event);
                // As asked, for the place and size; the values go in the order of their bits.
                std::vector<std::uint32_t> values;
                std::uint16_t granted = 0;
                for (const auto& [bit, value] :
                     {std::pair<std::uint16_t, std::uint32_t>{XCB_CONFIG_WINDOW_X, std::uint32_t(asked->x)},
                      {XCB_CONFIG_WINDOW_Y, std::uint32_t(asked->y)},
                      {XCB_CONFIG_WINDOW_WIDTH, asked->width},
                      {XCB_CONFIG_WINDOW_HEIGHT, asked->height}})
                    if ((asked->value_mask & bit) != 0) {
                        granted |= bit;
                        values.push_back(value);
                    }
                xcb_configure_window(connection, asked->window, granted, values.data());
            } else if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && answer->type == protocols &&
                       answer->data.data32[0] == ping && answer->data.data32[2] == window) {
                std::lock_guard lock(mutex_);
                const auto found = pings_.find(answer->data.data32[1]);
                if (found != pings_.end() && !found->second.answered)
                    found->second.answered = std::max(drained, found->second.handedOn);
            }
            std::free(event);
        }
        drained = Clock::now();
        pollfd socket{xcb_get_file_descriptor(connection), POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextPing - Clock::now()).count();
        ::poll(&socket, 1, static_cast<int>(std::clamp<long long>(left, 0, 10)));
    }
    xcb_disconnect(connection);
}

} // namespace quorvane::test
