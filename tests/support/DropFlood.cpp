#include "support/DropFlood.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <xcb/xcb.h>

namespace quorvane::test {
namespace {

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

void send(xcb_connection_t* connection, xcb_window_t target, xcb_atom_t type,
          const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = type;
    std::memcpy(message.data.data32, data.data(), sizeof message.data.data32);
    xcb_send_event(connection, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
}

} // namespace

DropFlood::DropFlood(std::uint32_t target, int x, int y, int sources) : sources_(sources) {
    const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
    for (int i = 0; i < sources; ++i)
        threads_.emplace_back([this, target, at] { flood(target, at); });
}

DropFlood::~DropFlood() {
    stop();
}

void DropFlood::stop() {
    stop_ = true;
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
}

void DropFlood::flood(std::uint32_t target, std::uint32_t at) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_window_t source = xcb_generate_id(connection);
    xcb_create_window(connection, 0, source, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t enter = atom(connection, "XdndEnter");
    const xcb_atom_t position = atom(connection, "XdndPosition");
    const xcb_atom_t drop = atom(connection, "XdndDrop");
    const xcb_atom_t copy = atom(connection, "XdndActionCopy");
    const xcb_atom_t uriList = atom(connection, "text/uri-list");
    // Holds the drag's data and never hands it over.
    xcb_set_selection_owner(connection, source, atom(connection, "XdndSelection"), XCB_CURRENT_TIME);
    ++connected_;
    while (!stop_ && xcb_connection_has_error(connection) == 0) {
        send(connection, target, enter, {source, 5u << 24, uriList, 0, 0});
        send(connection, target, position, {source, 0, at, XCB_CURRENT_TIME, copy});
        send(connection, target, drop, {source, 0, XCB_CURRENT_TIME, 0, 0});
        // As fast as the server takes them, as a program that waits for it after each drop.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        ++drops_;
        // The target's answers and requests for the data are read and left unanswered.
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
    }
    xcb_disconnect(connection);
}

void sendMisdirectedDragMessages(std::uint32_t target, int x, int y) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_window_t source = xcb_generate_id(connection);
        xcb_create_window(connection, 0, source, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
        send(connection, target, atom(connection, "XdndEnter"),
             {source, 5u << 24, atom(connection, "text/uri-list"), 0, 0});
        xcb_client_message_event_t position{};
        position.response_type = XCB_CLIENT_MESSAGE;
        position.format = 32;
        position.window = root;
        position.type = atom(connection, "XdndPosition");
        const std::array<std::uint32_t, 5> data = {source, 0, at, XCB_CURRENT_TIME,
                                                   atom(connection, "XdndActionCopy")};
        std::memcpy(position.data.data32, data.data(), sizeof position.data.data32);
        xcb_send_event(connection, 0, target, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&position));
        send(connection, target, atom(connection, "XdndLeave"), {source, 0, 0, 0, 0});
        for (const char* answer : {"XdndStatus", "XdndFinished"})
            send(connection, target, atom(connection, answer),
                 {source, 1, 0, 0, atom(connection, "XdndActionCopy")});
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

void sendEntersFromNoWindows(std::uint32_t target, int count) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_atom_t enter = atom(connection, "XdndEnter");
        const xcb_atom_t uriList = atom(connection, "text/uri-list");
        // Numbers of this connection's that name no window, since none is made of them; well past
        // those a next client given the same range makes its first windows of.
        for (int i = 0; i < 4096; ++i)
            xcb_generate_id(connection);
        for (int i = 0; i < count; ++i)
            send(connection, target, enter, {xcb_generate_id(connection), 5u << 24, uriList, 0, 0});
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

} // namespace quorvane::test
