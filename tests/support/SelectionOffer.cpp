// Another program that holds the clipboard: offers one format, made up as it is sent (a file's
// bytes, then zeros up to a length), so that an offer of a gigabyte costs it nothing. Pieces of an
// incremental transfer can be announced shorter than they are, or stop coming, as a hostile or
// stuck program would do. Serves several readers at once; prints "ready" once it holds the
// clipboard and ends when another program takes it.
//
//   quorvane_selection_offer --type image/png [--file PATH] [--size N] [--piece N]
//                            [--incremental-above N] [--announce N] [--stall-after N]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct Options {
    std::string type = "image/png";
    std::vector<char> prefix;
    std::int64_t size = -1;
    std::int64_t piece = 128 << 10;
    std::int64_t incrementalAbove = 128 << 10;
    std::int64_t announce = -1;
    std::int64_t stallAfter = -1;
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
    std::vector<char> out(static_cast<std::size_t>(length), '\0');
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
        else if (name == "--piece")
            options.piece = std::atoll(value);
        else if (name == "--incremental-above")
            options.incrementalAbove = std::atoll(value);
        else if (name == "--announce")
            options.announce = std::atoll(value);
        else if (name == "--stall-after")
            options.stallAfter = std::atoll(value);
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
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_atom_t incr = atom("INCR");
    const xcb_atom_t type = atom(options.type);
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    auto* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    const bool owns = owner != nullptr && owner->owner == window;
    std::free(owner);
    if (!owns) return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    std::map<xcb_window_t, Transfer> transfers;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) {
            std::free(event);
            break;
        }
        if (kind == XCB_SELECTION_REQUEST) {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
            if (request.target == targets) {
                const xcb_atom_t offered[] = {targets, type};
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    XCB_ATOM_ATOM, 32, 2, offered);
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
