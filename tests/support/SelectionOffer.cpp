// Another program that holds the clipboard: offers one format, made up as it is sent (a file's
// bytes, then zeros or the --fill byte up to a length), so that an offer of a gigabyte costs it
// nothing. Pieces of an incremental transfer can be announced shorter than they are, or stop
// coming, as a hostile or stuck program would do. Serves several readers at once; prints "ready"
// once it holds the clipboard and ends when another program takes it.
//
//   quorvane_selection_offer --type image/png [--file PATH] [--size N] [--fill BYTE] [--piece N]
//                            [--incremental-above N] [--announce N] [--stall-after N]
//                            [--hang 1] [--targets N] [--report 1]
//                            [--drag-to X,Y [--positions N] [--reenter N] [--drop 1]]
//
// --hang: never answers, as a stopped program. --targets: offers N made-up formats besides.
// --report: prints "request <format>" for each request it gets.
// --drag-to: holds the drag selection instead, and drags it over the window at (X, Y) of the
// screen as another program's drag would (XDND): N positions without waiting for answers, leaving
// and entering again N times, and dropping when asked. Prints "status accept" or "status refuse"
// for the target's answers and "finished" once the target is done with a drop.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct Options {
    std::string type = "image/png";
    std::vector<char> prefix;
    std::int64_t size = -1;
    char fill = '\0';
    std::int64_t piece = 128 << 10;
    std::int64_t incrementalAbove = 128 << 10;
    std::int64_t announce = -1;
    std::int64_t stallAfter = -1;
    bool hang = false;
    std::int64_t targets = 0;
    bool report = false;
    bool drag = false;
    std::int64_t dragX = 0;
    std::int64_t dragY = 0;
    std::int64_t positions = 1;
    std::int64_t reenter = 0;
    bool drop = false;
};

// One reader's incremental transfer.
struct Transfer {
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t type = XCB_ATOM_NONE;
    std::int64_t sent = 0;
    bool finished = false;
};

xcb_connection_t* connection = nullptr;
Options options;

xcb_atom_t atom(const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

std::vector<char> bytes(std::int64_t from, std::int64_t length) {
    std::vector<char> out(static_cast<std::size_t>(length), options.fill);
    const auto prefix = static_cast<std::int64_t>(options.prefix.size());
    if (from < prefix)
        std::memcpy(out.data(), options.prefix.data() + from,
                    static_cast<std::size_t>(std::min(length, prefix - from)));
    return out;
}

bool readFile(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        options.prefix.insert(options.prefix.end(), buffer, buffer + got);
    std::fclose(file);
    return true;
}

bool parse(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--type")
            options.type = value;
        else if (name == "--file") {
            if (!readFile(value)) return false;
        } else if (name == "--size")
            options.size = std::atoll(value);
        else if (name == "--fill")
            options.fill = static_cast<char>(std::atoi(value));
        else if (name == "--piece")
            options.piece = std::atoll(value);
        else if (name == "--incremental-above")
            options.incrementalAbove = std::atoll(value);
        else if (name == "--announce")
            options.announce = std::atoll(value);
        else if (name == "--stall-after")
            options.stallAfter = std::atoll(value);
        else if (name == "--hang")
            options.hang = std::atoll(value) != 0;
        else if (name == "--targets")
            options.targets = std::atoll(value);
        else if (name == "--report")
            options.report = std::atoll(value) != 0;
        else if (name == "--drag-to") {
            options.drag = std::sscanf(value, "%lld,%lld", reinterpret_cast<long long*>(&options.dragX),
                                       reinterpret_cast<long long*>(&options.dragY)) == 2;
            if (!options.drag) return false;
        } else if (name == "--positions")
            options.positions = std::atoll(value);
        else if (name == "--reenter")
            options.reenter = std::atoll(value);
        else if (name == "--drop")
            options.drop = std::atoll(value) != 0;
        else
            return false;
    }
    if (options.size < 0) options.size = static_cast<std::int64_t>(options.prefix.size());
    if (options.announce < 0) options.announce = options.size;
    return true;
}

void notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    xcb_selection_notify_event_t notice{};
    notice.response_type = XCB_SELECTION_NOTIFY;
    notice.time = request.time;
    notice.requestor = request.requestor;
    notice.selection = request.selection;
    notice.target = request.target;
    notice.property = property;
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notice));
}

// Writes the next piece, or the empty one that ends the transfer; nothing once stalled.
void sendPiece(xcb_window_t requestor, Transfer& transfer) {
    if (options.stallAfter >= 0 && transfer.sent >= options.stallAfter) return;
    const std::int64_t length = std::min(options.piece, options.size - transfer.sent);
    const std::vector<char> piece = bytes(transfer.sent, length);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, transfer.property, transfer.type, 8,
                        static_cast<std::uint32_t>(length), piece.data());
    transfer.sent += length;
    if (length == 0) transfer.finished = true;
}

// A client message of the drag protocol to `to`.
void sendClient(xcb_window_t to, xcb_atom_t type, std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
}

bool hasProperty(xcb_window_t window, xcb_atom_t name) {
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr);
    const bool has = reply != nullptr && reply->type != XCB_NONE;
    std::free(reply);
    return has;
}

// The window that takes drops at (x, y) of the screen: the first down from the root that says so.
xcb_window_t dropWindow(xcb_window_t root, xcb_atom_t aware) {
    xcb_window_t window = root;
    for (int depth = 0; depth < 16; ++depth) {
        auto* reply = xcb_translate_coordinates_reply(
            connection,
            xcb_translate_coordinates(connection, root, window, static_cast<std::int16_t>(options.dragX),
                                      static_cast<std::int16_t>(options.dragY)),
            nullptr);
        const xcb_window_t child = reply != nullptr ? reply->child : XCB_NONE;
        std::free(reply);
        if (child == XCB_NONE) return XCB_NONE;
        if (hasProperty(child, aware)) return child;
        window = child;
    }
    return XCB_NONE;
}

// The server's time now, from a property written to `window`.
xcb_timestamp_t serverTime(xcb_window_t window) {
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
    xcb_flush(connection);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool notice = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
        const xcb_timestamp_t time = notice ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : 0;
        std::free(event);
        if (notice) return time;
    }
    return XCB_CURRENT_TIME;
}

} // namespace

int main(int argc, char** argv) {
    if (!parse(argc, argv)) {
        std::fprintf(stderr, "usage: see the head of SelectionOffer.cpp\n");
        return 2;
    }
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) return 1;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, screens.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = atom(options.drag ? "XdndSelection" : "CLIPBOARD");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_atom_t incr = atom("INCR");
    const xcb_atom_t type = atom(options.type);
    std::vector<xcb_atom_t> offered = {targets, type};
    {
        // Asked for all at once: a long list costs the server one pass.
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (std::int64_t i = 0; i < options.targets; ++i) {
            const std::string name = "x-quorvane/format-" + std::to_string(i);
            cookies.push_back(
                xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()));
        }
        for (const auto cookie : cookies) {
            auto* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
            if (reply != nullptr) offered.push_back(reply->atom);
            std::free(reply);
        }
    }
    const xcb_timestamp_t taken = options.drag ? serverTime(window) : XCB_CURRENT_TIME;
    xcb_set_selection_owner(connection, window, clipboard, taken);
    auto* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    const bool owns = owner != nullptr && owner->owner == window;
    std::free(owner);
    if (!owns) return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    const xcb_atom_t status = atom("XdndStatus");
    const xcb_atom_t finished = atom("XdndFinished");
    const xcb_atom_t dropMessage = atom("XdndDrop");
    xcb_window_t target = XCB_NONE;
    bool dropPending = false;
    if (options.drag) {
        target = dropWindow(screens.data->root, atom("XdndAware"));
        if (target == XCB_NONE) {
            std::printf("no target\n");
            return 1;
        }
        const xcb_atom_t enter = atom("XdndEnter");
        const xcb_atom_t leave = atom("XdndLeave");
        const xcb_atom_t position = atom("XdndPosition");
        const std::uint32_t at = static_cast<std::uint32_t>(options.dragX << 16 | options.dragY);
        for (std::int64_t i = 0; i <= options.reenter; ++i) {
            if (i > 0) sendClient(target, leave, {window, 0, 0, 0, 0});
            sendClient(target, enter, {window, 5u << 24, type, 0, 0});
        }
        for (std::int64_t i = 0; i < options.positions; ++i)
            sendClient(target, position, {window, 0, at, taken, atom("XdndActionCopy")});
        dropPending = options.drop;
        xcb_flush(connection);
    }

    std::map<xcb_window_t, Transfer> transfers;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) {
            std::free(event);
            break;
        }
        if (kind == XCB_CLIENT_MESSAGE && options.drag) {
            const auto& message = *reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message.type == status) {
                std::printf("status %s\n", (message.data.data32[1] & 1) != 0 ? "accept" : "refuse");
                if (std::exchange(dropPending, false))
                    sendClient(target, dropMessage, {window, 0, taken, 0, 0});
            } else if (message.type == finished) {
                std::printf("finished\n");
            }
            std::fflush(stdout);
        } else if (kind == XCB_SELECTION_REQUEST) {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
            if (options.report) {
                auto* name = xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, request.target),
                                                     nullptr);
                if (name != nullptr)
                    std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                                xcb_get_atom_name_name(name));
                std::free(name);
                std::fflush(stdout);
            }
            if (options.hang) {
                // Never answers.
            } else if (request.target == targets) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(offered.size()),
                                    offered.data());
                notify(request, property);
            } else if (request.target != type) {
                notify(request, XCB_ATOM_NONE);
            } else if (options.size <= options.incrementalAbove) {
                const std::vector<char> all = bytes(0, options.size);
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8,
                                    static_cast<std::uint32_t>(all.size()), all.data());
                notify(request, property);
            } else {
                // The reader deletes the announcement to start, and each piece to ask for the next.
                const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
                const auto announced =
                    static_cast<std::uint32_t>(std::min<std::int64_t>(options.announce, UINT32_MAX));
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, incr, 32,
                                    1, &announced);
                transfers[request.requestor] = Transfer{property, type, 0, false};
                notify(request, property);
            }
        } else if (kind == XCB_PROPERTY_NOTIFY) {
            const auto& notice = *reinterpret_cast<xcb_property_notify_event_t*>(event);
            const auto found = transfers.find(notice.window);
            if (found != transfers.end() && notice.atom == found->second.property &&
                notice.state == XCB_PROPERTY_DELETE) {
                if (found->second.finished)
                    transfers.erase(found);
                else
                    sendPiece(notice.window, found->second);
            }
        }
        std::free(event);
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
    return 0;
}
