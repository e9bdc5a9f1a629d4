// Another program that holds the clipboard: offers one format, made up as it is sent (a file's
// bytes, then zeros or the --fill byte up to a length), so that an offer of a gigabyte costs it
// nothing. Pieces of an incremental transfer can be announced shorter than they are, or stop
// coming, as a hostile or stuck program would do. Serves several readers at once; prints "ready"
// once it holds the clipboard and ends when another program takes it.
//
//   quorvane_selection_offer --type image/png [--file PATH] [--size N] [--fill BYTE] [--piece N]
//                            [--incremental-above N] [--announce N] [--stall-after N] [--trickle MS]
//                            [--one-at-a-time 1] [--hang 1] [--stay 1] [--targets N]
//                            [--incremental-targets 1] [--report 1] [--close-window-at N]
//                            [--holders-time 1]
//                            [--drag-to X,Y [--positions N] [--reenter N] [--drops N] [--action NAME]
//                                           [--proxy named|past] [--key-after-drop KEYS]]
//   quorvane_selection_offer --churn N [--every MS]
//   quorvane_selection_offer --fleeting 1
//
// --trickle: writes each piece MS after the reader asked for it. --one-at-a-time: answers nobody
// while a transfer is unfinished, as xclip does. --hang: never answers, as a stopped program.
// --stay: keeps its window once another program took the clipboard, as a frozen program does.
// --targets: offers N made-up formats besides; --incremental-targets sends their list piece by
// piece too. --report: prints "request <format>" for each request it gets, and "reader gone" when
// the window of a reader it sends piece by piece ends. --close-window-at: destroys the window that
// holds the clipboard just before it writes the piece at N of a transfer piece by piece, and goes
// on writing, as a program that closes its window but not its connection.
// --holders-time: takes the clipboard at the time its holder took it (which the holder tells as
// TIMESTAMP), as a program that passes on an old event's time does: the server accepts it, and the
// holder is told that it lost the clipboard no later than it took it.
// --drag-to: holds the drag selection instead, and drags it over the window at (X, Y) of the
// screen as another program's drag would (XDND): N positions without waiting for answers, leaving
// and entering again N times, and dropping N times (--drop 1: once), entering again after each.
// Prints "status accept" or "status refuse" for the target's answers, "finished" once the target is
// done with a drop, and "entered" once the server has taken its first enter and positions; after
// the first answer, "answered in N ms", counted from when it sent its first position.
// A window that names a proxy (XdndProxy) is sent its messages through it, naming the window, as Qt
// does; --proxy named names the proxy instead, as GTK does; --proxy past sends them to the window,
// past the proxy, as a program that ignores it.
// --key-after-drop: acts out KEYS through XTest right after each drop, as a person does, and prints
// "dropped" then: steps apart by spaces, each a key ("ctrl+s": ctrl, shift and alt, then a letter
// or digit) or "click", a left click where the drop was; the pointer is moved there first.
// --action: proposes the action of that atom name (none: no atom) instead of XdndActionCopy, lists
// it as the only one it allows, and names the action it hears: "status accept copy", "finished
// accepted copy", "finished refused none".
// --churn: hands the clipboard between two windows of its own N times, one change every MS, and
// answers nobody; prints "churned" when done, and ends once another program takes the clipboard.
// --fleeting: gives the clipboard to a new window of its own again and again, as fast as the server
// takes it, destroying the one before; answers nobody, prints "ready" once the server has a
// backlog of them, and never ends.

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <poll.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

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
    std::int64_t trickle = 0;
    bool oneAtATime = false;
    bool hang = false;
    bool stay = false;
    std::int64_t targets = 0;
    bool incrementalTargets = false;
    bool report = false;
    bool drag = false;
    std::int64_t dragX = 0;
    std::int64_t dragY = 0;
    std::int64_t positions = 1;
    std::int64_t reenter = 0;
    std::int64_t drops = 0;
    std::string action;
    std::string proxy;
    std::string keyAfterDrop;
    std::int64_t closeWindowAt = -1;
    std::int64_t churn = 0;
    std::int64_t every = 5;
    bool fleeting = false;
    bool holdersTime = false;
};

// One reader's incremental transfer: of the made-up offer, or of `list` (the formats).
struct Transfer {
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t type = XCB_ATOM_NONE;
    std::vector<char> list;
    std::int64_t sent = 0;
    bool finished = false;
    // Its window ended: the server may give the same number to a later reader's window.
    bool gone = false;
    // Tells this transfer from a later one to a window of the same number.
    std::uint64_t serial = 0;
};

xcb_connection_t* connection = nullptr;
Options options;
// The window that holds the clipboard, until --close-window-at destroys it.
xcb_window_t holder = XCB_NONE;

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
        else if (name == "--trickle")
            options.trickle = std::atoll(value);
        else if (name == "--one-at-a-time")
            options.oneAtATime = std::atoll(value) != 0;
        else if (name == "--incremental-targets")
            options.incrementalTargets = std::atoll(value) != 0;
        else if (name == "--close-window-at")
            options.closeWindowAt = std::atoll(value);
        else if (name == "--churn")
            options.churn = std::atoll(value);
        else if (name == "--fleeting")
            options.fleeting = std::atoll(value) != 0;
        else if (name == "--every")
            options.every = std::atoll(value);
        else if (name == "--hang")
            options.hang = std::atoll(value) != 0;
        else if (name == "--stay")
            options.stay = std::atoll(value) != 0;
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
        else if (name == "--drop" || name == "--drops")
            options.drops = std::atoll(value);
        else if (name == "--action")
            options.action = value;
        else if (name == "--proxy")
            options.proxy = value;
        else if (name == "--key-after-drop")
            options.keyAfterDrop = value;
        else if (name == "--holders-time")
            options.holdersTime = std::atoll(value) != 0;
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

// The whole offer at once, in requests no longer than the server takes.
void sendWhole(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type) {
    // In units of four bytes, less the request's own header.
    const std::int64_t most = (std::int64_t{xcb_get_maximum_request_length(connection)} - 16) * 4;
    for (std::int64_t from = 0; from == 0 || from < options.size; from += most) {
        const std::vector<char> part = bytes(from, std::min(most, options.size - from));
        xcb_change_property(connection, from == 0 ? XCB_PROP_MODE_REPLACE : XCB_PROP_MODE_APPEND, requestor,
                            property, type, 8, static_cast<std::uint32_t>(part.size()), part.data());
    }
}

// Writes the next piece, or the empty one that ends the transfer; nothing once stalled.
void sendPiece(xcb_window_t requestor, Transfer& transfer) {
    if (transfer.gone) return;
    if (options.stallAfter >= 0 && transfer.sent >= options.stallAfter) return;
    if (holder != XCB_NONE && options.closeWindowAt >= 0 && transfer.sent >= options.closeWindowAt)
        xcb_destroy_window(connection, std::exchange(holder, xcb_window_t{XCB_NONE}));
    const bool list = !transfer.list.empty();
    const std::int64_t size = list ? static_cast<std::int64_t>(transfer.list.size()) : options.size;
    const std::int64_t length = std::min(options.piece, size - transfer.sent);
    const std::vector<char> piece = list ? std::vector<char>(transfer.list.begin() + transfer.sent,
                                                             transfer.list.begin() + transfer.sent + length)
                                         : bytes(transfer.sent, length);
    const int format = list ? 32 : 8;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, transfer.property, transfer.type,
                        static_cast<std::uint8_t>(format), static_cast<std::uint32_t>(length * 8 / format),
                        piece.data());
    transfer.sent += length;
    if (length == 0) transfer.finished = true;
}

// A client message of the drag protocol to `to`.
// Where drag messages go and the window they name, once the target is found.
xcb_window_t destination = XCB_NONE;
xcb_window_t named = XCB_NONE;

void sendClient(xcb_window_t to, xcb_atom_t type, std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to == destination ? named : to;
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

// The keycode that gives `keysym` unshifted; 0 when none does.
xcb_keycode_t keycodeOf(xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    auto* reply = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                 static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    xcb_keycode_t found = 0;
    if (reply != nullptr) {
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
        const int each = reply->keysyms_per_keycode;
        for (int code = setup->min_keycode; code <= setup->max_keycode && found == 0; ++code)
            if (keysyms[(code - setup->min_keycode) * each] == keysym)
                found = static_cast<xcb_keycode_t>(code);
    }
    std::free(reply);
    return found;
}

// The keycodes of `keys` ("ctrl+shift+s"), in the order they are pressed.
std::vector<xcb_keycode_t> keycodesOf(const std::string& keys) {
    std::vector<xcb_keycode_t> codes;
    std::size_t from = 0;
    while (from <= keys.size()) {
        const std::size_t plus = std::min(keys.find('+', from), keys.size());
        const std::string name = keys.substr(from, plus - from);
        from = plus + 1;
        const xcb_keysym_t keysym = name == "ctrl"     ? 0xffe3
                                    : name == "shift"  ? 0xffe1
                                    : name == "alt"    ? 0xffe9
                                    : name.size() == 1 ? static_cast<xcb_keysym_t>(std::tolower(name[0]))
                                                       : 0;
        if (const xcb_keycode_t code = keysym != 0 ? keycodeOf(keysym) : 0) codes.push_back(code);
    }
    return codes;
}

// One step of --key-after-drop: a key's codes, or a click.
struct Step {
    bool click = false;
    std::vector<xcb_keycode_t> keys;
};

// The steps of `keys` ("n click ctrl+s"), in order.
std::vector<Step> stepsOf(const std::string& keys) {
    std::vector<Step> steps;
    std::size_t from = 0;
    while (from < keys.size()) {
        const std::size_t space = std::min(keys.find(' ', from), keys.size());
        const std::string step = keys.substr(from, space - from);
        from = space + 1;
        if (step == "click")
            steps.push_back({true, {}});
        else if (!step.empty())
            steps.push_back({false, keycodesOf(step)});
    }
    return steps;
}

// Whether the server has let the first button go.
bool buttonUp() {
    auto* reply = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, holder), nullptr);
    const bool up = reply == nullptr || (reply->mask & XCB_BUTTON_MASK_1) == 0;
    std::free(reply);
    return up;
}

// Acts out `steps` in order through XTest: a key's codes are pressed in order and let go in reverse.
// A click is over before the next step, as a person's is: a window manager that takes clicks first
// (to raise a window) keeps the pointer's events until it hands them on, while keys go on past them.
void pressKeys(const std::vector<Step>& steps) {
    const auto fake = [](std::uint8_t type, std::uint8_t detail) {
        xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    for (const Step& step : steps) {
        if (step.click) {
            fake(XCB_BUTTON_PRESS, 1);
            fake(XCB_BUTTON_RELEASE, 1);
            for (int tries = 0; tries < 2000 && !buttonUp(); ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (const xcb_keycode_t code : step.keys)
            fake(XCB_KEY_PRESS, code);
        for (auto code = step.keys.rbegin(); code != step.keys.rend(); ++code)
            fake(XCB_KEY_RELEASE, *code);
    }
    xcb_flush(connection);
}

// The window `window`'s XdndProxy names, if it names one that names itself, as the protocol asks.
xcb_window_t proxyOf(xcb_window_t window, xcb_atom_t proxy) {
    const auto proxyNamedBy = [&](xcb_window_t of) {
        auto* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, of, proxy, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const xcb_window_t found = reply != nullptr && reply->type == XCB_ATOM_WINDOW && reply->value_len == 1
                                       ? *static_cast<const xcb_window_t*>(xcb_get_property_value(reply))
                                       : xcb_window_t{XCB_NONE};
        std::free(reply);
        return found;
    };
    const xcb_window_t found = proxyNamedBy(window);
    return found != XCB_NONE && proxyNamedBy(found) == found ? found : xcb_window_t{XCB_NONE};
}

// An action as --action names it: "copy" for XdndActionCopy, "none" for no atom.
std::string actionName(xcb_atom_t action) {
    if (action == XCB_ATOM_NONE) return "none";
    auto* reply = xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, action), nullptr);
    std::string name = reply != nullptr
                           ? std::string(xcb_get_atom_name_name(reply),
                                         static_cast<std::size_t>(xcb_get_atom_name_name_length(reply)))
                           : std::string();
    std::free(reply);
    const std::string prefix = "XdndAction";
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) return name;
    name.erase(0, prefix.size());
    name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

// The server's time now, from a property written to `window`.
xcb_timestamp_t serverTime(xcb_window_t window) {
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        "");
    xcb_flush(connection);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool notice = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
        const xcb_timestamp_t time = notice ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : 0;
        std::free(event);
        if (notice) return time;
    }
    return XCB_CURRENT_TIME;
}

// When the clipboard's holder took it, as it answers TIMESTAMP; the current time if it does not.
xcb_timestamp_t holdersTime(xcb_window_t window, xcb_atom_t clipboard) {
    const xcb_atom_t property = atom("QUORVANE_HOLDERS_TIME");
    xcb_convert_selection(connection, window, clipboard, atom("TIMESTAMP"), property, XCB_CURRENT_TIME);
    xcb_flush(connection);
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool notice = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const bool told =
            notice && reinterpret_cast<xcb_selection_notify_event_t*>(event)->property == property;
        std::free(event);
        if (!notice) continue;
        if (told) {
            auto* reply = xcb_get_property_reply(
                connection, xcb_get_property(connection, 1, window, property, XCB_ATOM_ANY, 0, 1), nullptr);
            if (reply != nullptr && xcb_get_property_value_length(reply) == 4)
                std::memcpy(&time, xcb_get_property_value(reply), 4);
            std::free(reply);
        }
        break;
    }
    return time;
}

// Hands the clipboard between two windows of its own, answering nobody.
int churn(xcb_window_t root, xcb_atom_t clipboard) {
    std::array<xcb_window_t, 2> windows{};
    for (xcb_window_t& window : windows) {
        window = xcb_generate_id(connection);
        xcb_create_window(connection, 0, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    const auto ours = [&] {
        auto* owner = xcb_get_selection_owner_reply(connection,
                                                    xcb_get_selection_owner(connection, clipboard), nullptr);
        const bool held = owner != nullptr && (owner->owner == windows[0] || owner->owner == windows[1]);
        std::free(owner);
        return held;
    };
    for (std::int64_t i = 0; i < options.churn; ++i) {
        xcb_set_selection_owner(connection, windows[static_cast<std::size_t>(i % 2)], clipboard,
                                XCB_CURRENT_TIME);
        xcb_flush(connection);
        if (i == 0) std::printf(ours() ? "ready\n" : "not ready\n");
        std::fflush(stdout);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
        std::this_thread::sleep_for(std::chrono::milliseconds(options.every));
    }
    std::printf("churned\n");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool cleared = (event->response_type & 0x7f) == XCB_SELECTION_CLEAR;
        std::free(event);
        if (cleared && !ours()) break;
    }
    xcb_disconnect(connection);
    return 0;
}

// Hands the clipboard to fleeting windows, each destroyed just before the next takes it (so that
// no window of its own is told it lost it), and between them has the server fill a pixmap: the
// server takes much longer for them than it takes to ask, so that it always has more of them to
// handle before another client's next request, and a reader that asked who holds the clipboard
// finds that window gone by the time it looks at it.
int fleet(xcb_screen_t& screen, xcb_atom_t clipboard) {
    // More than the connection holds on its way to the server.
    constexpr std::int64_t backlog = 4096;
    constexpr std::uint16_t side = 1024;
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, screen.root_depth, pixmap, screen.root, side, side);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, pixmap, 0, nullptr);
    const xcb_rectangle_t all{0, 0, side, side};
    xcb_window_t held = XCB_NONE;
    for (std::int64_t i = 0; xcb_connection_has_error(connection) == 0; ++i) {
        const xcb_window_t window = xcb_generate_id(connection);
        xcb_create_window(connection, 0, window, screen.root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        if (held != XCB_NONE) xcb_destroy_window(connection, held);
        xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
        held = window;
        xcb_poly_fill_rectangle(connection, pixmap, gc, 1, &all);
        if (i == backlog) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    return 1;
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
    if (options.churn > 0) return churn(screens.data->root, atom("CLIPBOARD"));
    if (options.fleeting) return fleet(*screens.data, atom("CLIPBOARD"));
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, screens.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    holder = window;
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
    const xcb_timestamp_t taken = options.drag          ? serverTime(window)
                                  : options.holdersTime ? holdersTime(window, clipboard)
                                                        : XCB_CURRENT_TIME;
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
    const xcb_atom_t enter = atom("XdndEnter");
    const xcb_atom_t position = atom("XdndPosition");
    const xcb_atom_t copy = atom("XdndActionCopy");
    const bool naming = !options.action.empty();
    const xcb_atom_t proposed = !naming                    ? copy
                                : options.action == "none" ? xcb_atom_t{XCB_ATOM_NONE}
                                                           : atom(options.action);
    if (naming && proposed != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("XdndActionList"), XCB_ATOM_ATOM,
                            32, 1, &proposed);
    const std::uint32_t at = static_cast<std::uint32_t>(options.dragX << 16 | options.dragY);
    xcb_window_t target = XCB_NONE;
    std::chrono::steady_clock::time_point positioned{};
    bool answered = false;
    const std::vector<Step> keysAfterDrop = stepsOf(options.keyAfterDrop);
    std::int64_t drops = options.drops;
    bool dropPending = false;
    if (options.drag) {
        target = dropWindow(screens.data->root, atom("XdndAware"));
        if (target == XCB_NONE) {
            std::printf("no target\n");
            return 1;
        }
        const xcb_window_t proxy = proxyOf(target, atom("XdndProxy"));
        destination = proxy != XCB_NONE && options.proxy != "past" ? proxy : target;
        named = options.proxy == "named" && proxy != XCB_NONE ? proxy : target;
        target = destination;
        // A person's pointer is where they drop.
        if (std::any_of(keysAfterDrop.begin(), keysAfterDrop.end(),
                        [](const Step& step) { return step.click; }))
            xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screens.data->root,
                                static_cast<std::int16_t>(options.dragX),
                                static_cast<std::int16_t>(options.dragY), 0);
        const xcb_atom_t leave = atom("XdndLeave");
        for (std::int64_t i = 0; i <= options.reenter; ++i) {
            if (i > 0) sendClient(target, leave, {window, 0, 0, 0, 0});
            sendClient(target, enter, {window, 5u << 24, type, 0, 0});
        }
        positioned = std::chrono::steady_clock::now();
        for (std::int64_t i = 0; i < options.positions; ++i)
            sendClient(target, position, {window, 0, at, taken, proposed});
        dropPending = drops > 0;
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        std::printf("entered\n");
        std::fflush(stdout);
    }

    using Clock = std::chrono::steady_clock;
    std::map<xcb_window_t, Transfer> transfers;
    // Pieces asked for and not written yet, when they are due.
    std::multimap<Clock::time_point, std::pair<xcb_window_t, std::uint64_t>> trickled;
    std::uint64_t serials = 0;
    const auto busy = [&] {
        return std::any_of(transfers.begin(), transfers.end(),
                           [](const auto& each) { return !each.second.finished; });
    };
    const auto startIncremental = [&](const xcb_selection_request_event_t& request, xcb_atom_t property,
                                      xcb_atom_t pieceType, std::vector<char> list) {
        // The reader deletes the announcement to start, and each piece to ask for the next.
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
        const auto announced = static_cast<std::uint32_t>(std::min<std::int64_t>(
            list.empty() ? options.announce : static_cast<std::int64_t>(list.size()), UINT32_MAX));
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, incr, 32, 1,
                            &announced);
        transfers[request.requestor] =
            Transfer{property, pieceType, std::move(list), 0, false, false, ++serials};
        notify(request, property);
    };
    // Whether to go on.
    const auto handle = [&](const xcb_generic_event_t& event) {
        const int kind = event.response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) return options.stay;
        if (kind == XCB_CLIENT_MESSAGE && options.drag) {
            const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
            if (message.type == status) {
                const char* answer = (message.data.data32[1] & 1) != 0 ? "accept" : "refuse";
                if (naming)
                    std::printf("status %s %s\n", answer, actionName(message.data.data32[4]).c_str());
                else
                    std::printf("status %s\n", answer);
                if (!std::exchange(answered, true))
                    std::printf("answered in %lld ms\n",
                                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                           std::chrono::steady_clock::now() - positioned)
                                                           .count()));
                if (std::exchange(dropPending, false)) {
                    sendClient(target, dropMessage, {window, 0, taken, 0, 0});
                    if (!options.keyAfterDrop.empty()) {
                        pressKeys(keysAfterDrop);
                        std::printf("dropped\n");
                    }
                }
            } else if (message.type == finished) {
                if (naming)
                    std::printf("finished %s %s\n",
                                (message.data.data32[1] & 1) != 0 ? "accepted" : "refused",
                                actionName(message.data.data32[2]).c_str());
                else
                    std::printf("finished\n");
                if (--drops > 0) {
                    sendClient(target, enter, {window, 5u << 24, type, 0, 0});
                    sendClient(target, position, {window, 0, at, taken, proposed});
                    dropPending = true;
                }
            }
            std::fflush(stdout);
        } else if (kind == XCB_SELECTION_REQUEST) {
            const auto& request = reinterpret_cast<const xcb_selection_request_event_t&>(event);
            const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
            if (options.report) {
                auto* name = xcb_get_atom_name_reply(connection,
                                                     xcb_get_atom_name(connection, request.target), nullptr);
                if (name != nullptr)
                    std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                                xcb_get_atom_name_name(name));
                std::free(name);
                std::fflush(stdout);
            }
            if (options.hang || (options.oneAtATime && busy())) {
                // Never answers.
            } else if (request.target == targets && options.incrementalTargets) {
                const auto* first = reinterpret_cast<const char*>(offered.data());
                startIncremental(request, property, XCB_ATOM_ATOM,
                                 std::vector<char>(first, first + offered.size() * sizeof offered[0]));
            } else if (request.target == targets) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(offered.size()),
                                    offered.data());
                notify(request, property);
            } else if (request.target != type) {
                notify(request, XCB_ATOM_NONE);
            } else if (options.size <= options.incrementalAbove) {
                sendWhole(request.requestor, property, type);
                notify(request, property);
            } else {
                startIncremental(request, property, type, {});
            }
        } else if (kind == XCB_DESTROY_NOTIFY) {
            // A transfer is over for its reader; the holder writes no more to it, but waits for it as
            // before.
            const auto found =
                transfers.find(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
            if (found != transfers.end()) {
                found->second.gone = true;
                if (options.report) std::printf("reader gone\n");
            }
            std::fflush(stdout);
        } else if (kind == XCB_PROPERTY_NOTIFY) {
            const auto& notice = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            const auto found = transfers.find(notice.window);
            if (found != transfers.end() && notice.atom == found->second.property &&
                notice.state == XCB_PROPERTY_DELETE) {
                if (found->second.finished)
                    transfers.erase(found);
                else if (options.trickle > 0)
                    trickled.emplace(Clock::now() + std::chrono::milliseconds(options.trickle),
                                     std::pair(notice.window, found->second.serial));
                else
                    sendPiece(notice.window, found->second);
            }
        }
        return true;
    };

    for (;;) {
        xcb_flush(connection);
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool goOn = handle(*event);
            std::free(event);
            if (!goOn) break;
            continue;
        }
        if (xcb_connection_has_error(connection) != 0) break;
        while (!trickled.empty() && trickled.begin()->first <= Clock::now()) {
            const auto [requestor, serial] = trickled.begin()->second;
            const auto found = transfers.find(requestor);
            if (found != transfers.end() && found->second.serial == serial)
                sendPiece(found->first, found->second);
            trickled.erase(trickled.begin());
        }
        const auto left = trickled.empty() ? std::chrono::milliseconds(-1)
                                           : std::max(std::chrono::ceil<std::chrono::milliseconds>(
                                                          trickled.begin()->first - Clock::now()),
                                                      std::chrono::milliseconds(0));
        xcb_flush(connection);
        pollfd socket{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(left.count()));
    }
    xcb_disconnect(connection);
    return 0;
}
