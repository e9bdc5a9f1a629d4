#include "support/DropFlood.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <qpa/qwindowsysteminterface.h>
#include <string>
#include <utility>
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

// Where drag messages for `window` go: its proxy, as the protocol asks, where it names one that
// names itself.
xcb_window_t proxyOf(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_atom_t proxy = atom(connection, "XdndProxy");
    const auto named = [&](xcb_window_t of) {
        auto* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, of, proxy, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const xcb_window_t found = reply != nullptr && reply->type == XCB_ATOM_WINDOW && reply->value_len == 1
                                       ? *static_cast<const xcb_window_t*>(xcb_get_property_value(reply))
                                       : xcb_window_t{XCB_NONE};
        std::free(reply);
        return found;
    };
    const xcb_window_t found = named(window);
    return found != XCB_NONE && named(found) == found ? found : xcb_window_t{XCB_NONE};
}

// Sends to `target` or its proxy, naming `target`.
struct Recipient {
    xcb_window_t destination;
    xcb_window_t named;
};

Recipient recipientOf(xcb_connection_t* connection, xcb_window_t target, bool pastProxy) {
    const xcb_window_t proxy = pastProxy ? xcb_window_t{XCB_NONE} : proxyOf(connection, target);
    return {proxy != XCB_NONE ? proxy : target, target};
}

void send(xcb_connection_t* connection, const Recipient& to, xcb_atom_t type,
          const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to.named;
    message.type = type;
    std::memcpy(message.data.data32, data.data(), sizeof message.data.data32);
    xcb_send_event(connection, 0, to.destination, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
}

xcb_window_t makeWindow(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    return window;
}

} // namespace

std::vector<std::string> neverNamedTypes(int count, std::size_t length, const std::string& family) {
    static int drags = 0;
    const std::string start = family + "/never-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                              std::to_string(++drags) + "-";
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = start + std::to_string(i);
        name.resize(std::max(name.size(), length), 'x');
        names.push_back(std::move(name));
    }
    return names;
}

std::uint32_t rootWindow() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_connection_has_error(connection) == 0
                                  ? xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root
                                  : xcb_window_t{XCB_NONE};
    xcb_disconnect(connection);
    return root;
}

std::uint32_t dropProxyOf(std::uint32_t window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t proxy = xcb_connection_has_error(connection) == 0 ? proxyOf(connection, window) : 0;
    xcb_disconnect(connection);
    return proxy;
}

bool dropAware(std::uint32_t window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool aware = false;
    if (xcb_connection_has_error(connection) == 0) {
        auto* reply = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, atom(connection, "XdndAware"), XCB_ATOM_ATOM, 0, 1),
            nullptr);
        aware = reply != nullptr && reply->format == 32 && reply->value_len == 1 &&
                *static_cast<const std::uint32_t*>(xcb_get_property_value(reply)) == 5;
        std::free(reply);
    }
    xcb_disconnect(connection);
    return aware;
}

DropFlood::DropFlood(std::uint32_t target, int x, int y, Pattern pattern) : pattern_(std::move(pattern)) {
    const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
    for (int i = 0; i < pattern_.sources; ++i)
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
    std::vector<xcb_window_t> windows;
    for (int i = 0; i < (pattern_.kind == Kind::madeUp ? 1 : std::max(1, pattern_.windows)); ++i)
        windows.push_back(makeWindow(connection, root));
    const xcb_atom_t enter = atom(connection, "XdndEnter");
    const xcb_atom_t position = atom(connection, "XdndPosition");
    const xcb_atom_t leave = atom(connection, "XdndLeave");
    const xcb_atom_t drop = atom(connection, "XdndDrop");
    const xcb_atom_t copy = atom(connection, "XdndActionCopy");
    const xcb_atom_t type = atom(connection, pattern_.type);
    const Recipient to = recipientOf(connection, target, pattern_.pastProxy);
    const auto enterFrom = [&](xcb_window_t source) {
        send(connection, to, enter, {source, 5u << 24 | (pattern_.listed ? 1u : 0u), type, 0, 0});
        send(connection, to, position, {source, 0, at, XCB_CURRENT_TIME, copy});
    };
    // Holds the drag's data and never hands it over.
    xcb_set_selection_owner(connection, windows.front(), atom(connection, "XdndSelection"), XCB_CURRENT_TIME);
    bool first = true;
    while (!stop_ && xcb_connection_has_error(connection) == 0) {
        switch (pattern_.kind) {
        case Kind::drops:
            for (const xcb_window_t source : windows) {
                enterFrom(source);
                send(connection, to, drop, {source, 0, XCB_CURRENT_TIME, 0, 0});
            }
            break;
        case Kind::enters:
            for (const xcb_window_t source : windows)
                enterFrom(source);
            break;
        case Kind::entersAndLeaves:
            for (const xcb_window_t source : windows) {
                enterFrom(source);
                send(connection, to, leave, {source, 0, 0, 0, 0});
            }
            break;
        case Kind::closingWindows: {
            const xcb_window_t source = makeWindow(connection, root);
            enterFrom(source);
            xcb_destroy_window(connection, source);
            break;
        }
        case Kind::silent:
            if (first)
                for (const xcb_window_t source : windows)
                    enterFrom(source);
            break;
        case Kind::madeUp: {
            // Of the server's window numbers, the high bits tell the program: made up here, with
            // low bits no program reaches.
            const std::uint32_t mask = xcb_get_setup(connection)->resource_id_mask;
            const int shift = __builtin_popcount(mask);
            for (int i = 0; i < pattern_.windows; ++i) {
                const auto program = static_cast<std::uint32_t>(i % 2048);
                enterFrom(program << shift | (mask - static_cast<std::uint32_t>(i / 2048)));
            }
            break;
        }
        case Kind::trickle:
            for (const xcb_window_t source : windows)
                if (first)
                    enterFrom(source);
                else
                    send(connection, to, position, {source, 0, at, XCB_CURRENT_TIME, copy});
            break;
        }
        // As fast as the server takes them, as a program that waits for it after each round.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        if (std::exchange(first, false)) ++connected_;
        ++drops_;
        // The target's answers and requests for the data are read and left unanswered.
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
        const bool idle = pattern_.kind == Kind::silent;
        const auto pause = idle ? std::chrono::milliseconds(10) : pattern_.every;
        for (auto waited = std::chrono::milliseconds(0); waited < pause && !stop_;
             waited += std::chrono::milliseconds(10))
            std::this_thread::sleep_for(std::min(std::chrono::milliseconds(10), pause - waited));
    }
    xcb_disconnect(connection);
}

void sendMisdirectedDragMessages(std::uint32_t target, int x, int y) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_window_t source = makeWindow(connection, root);
        const Recipient to = recipientOf(connection, target, false);
        const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
        send(connection, to, atom(connection, "XdndEnter"),
             {source, 5u << 24, atom(connection, "text/uri-list"), 0, 0});
        send(connection, Recipient{to.destination, root}, atom(connection, "XdndPosition"),
             {source, 0, at, XCB_CURRENT_TIME, atom(connection, "XdndActionCopy")});
        send(connection, to, atom(connection, "XdndLeave"), {source, 0, 0, 0, 0});
        for (const char* answer : {"XdndStatus", "XdndFinished"})
            send(connection, Recipient{target, target}, atom(connection, answer),
                 {source, 1, 0, 0, atom(connection, "XdndActionCopy")});
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

void sendEntersNamingTheirTarget(std::uint32_t target, int x, int y) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_window_t proxy = proxyOf(connection, target);
        const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
        const xcb_atom_t copy = atom(connection, "XdndActionCopy");
        for (const Recipient to :
             {Recipient{target, target}, Recipient{proxy, target}, Recipient{proxy, proxy}}) {
            if (to.destination == XCB_NONE) continue;
            send(connection, to, atom(connection, "XdndEnter"),
                 {target, 5u << 24, atom(connection, "text/uri-list"), 0, 0});
            send(connection, to, atom(connection, "XdndPosition"), {target, 0, at, XCB_CURRENT_TIME, copy});
        }
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

struct ForeignDrag::Connection {
    xcb_connection_t* connection = nullptr;
    std::vector<xcb_window_t> sources;
    // The types each source offers.
    std::vector<std::vector<xcb_atom_t>> types;
    Recipient to{};
    bool holding = false;
    // Asked of the server once: a message held is not sent by asking.
    std::map<std::string, xcb_atom_t> atoms;

    std::vector<xcb_atom_t> atomsOf(const std::vector<std::string>& names) {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const std::string& name : names)
            if (atoms.count(name) == 0)
                cookies.push_back(
                    xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()));
        auto cookie = cookies.begin();
        std::vector<xcb_atom_t> found;
        for (const std::string& name : names) {
            if (atoms.count(name) == 0) {
                auto* reply = xcb_intern_atom_reply(connection, *cookie++, nullptr);
                atoms[name] = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
                std::free(reply);
            }
            found.push_back(atoms.at(name));
        }
        return found;
    }
    xcb_atom_t atomOf(const std::string& name) { return atomsOf({name}).front(); }

    void roundTrip() const {
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    void send(const Recipient& recipient, const char* type, const std::array<std::uint32_t, 5>& data) {
        quorvane::test::send(connection, recipient, atomOf(type), data);
        if (!holding) roundTrip();
    }
    bool valid(int source) const { return source >= 0 && static_cast<std::size_t>(source) < sources.size(); }
};

ForeignDrag::ForeignDrag(std::uint32_t target, int sources) : connection_(std::make_unique<Connection>()) {
    connection_->connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_->connection) != 0) return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_->connection)).data->root;
    for (int i = 0; i < sources; ++i)
        connection_->sources.push_back(makeWindow(connection_->connection, root));
    connection_->types.resize(connection_->sources.size());
    connection_->atomsOf({"XdndEnter", "XdndPosition", "XdndLeave", "XdndDrop", "XdndStatus", "XdndFinished",
                          "XdndActionCopy", "XdndTypeList", "text/uri-list"});
    answers_.resize(connection_->sources.size());
    finished_.resize(connection_->sources.size());
    connection_->to = recipientOf(connection_->connection, target, false);
}

ForeignDrag::~ForeignDrag() {
    connection_->holding = false;
    for (const xcb_window_t source : connection_->sources)
        connection_->send(connection_->to, "XdndLeave", {source, 0, 0, 0, 0});
    xcb_disconnect(connection_->connection);
}

void ForeignDrag::offer(const std::vector<std::string>& types, int source) {
    if (!connection_->valid(source)) return;
    std::vector<xcb_atom_t> atoms = connection_->atomsOf(types);
    if (atoms.size() > 3)
        xcb_change_property(connection_->connection, XCB_PROP_MODE_REPLACE,
                            connection_->sources[static_cast<std::size_t>(source)],
                            connection_->atomOf("XdndTypeList"), XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(atoms.size()), atoms.data());
    connection_->types[static_cast<std::size_t>(source)] = std::move(atoms);
}

void ForeignDrag::enter(const std::vector<std::string>& types, int source) {
    if (!connection_->valid(source)) return;
    if (connection_->atomsOf(types) != connection_->types[static_cast<std::size_t>(source)])
        offer(types, source);
    std::vector<xcb_atom_t> atoms = connection_->types[static_cast<std::size_t>(source)];
    const bool listed = atoms.size() > 3;
    atoms.resize(std::max<std::size_t>(atoms.size(), 3), XCB_ATOM_NONE);
    connection_->send(connection_->to, "XdndEnter",
                      {connection_->sources[static_cast<std::size_t>(source)], 5u << 24 | (listed ? 1u : 0u),
                       atoms[0], atoms[1], atoms[2]});
}

void ForeignDrag::position(int x, int y, std::uint32_t named, int source) {
    if (!connection_->valid(source)) return;
    const auto at = static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y);
    connection_->send(Recipient{connection_->to.destination, named != 0 ? named : connection_->to.named},
                      "XdndPosition",
                      {connection_->sources[static_cast<std::size_t>(source)], 0, at, XCB_CURRENT_TIME,
                       connection_->atomOf("XdndActionCopy")});
}

void ForeignDrag::leave(int source) {
    if (!connection_->valid(source)) return;
    connection_->send(connection_->to, "XdndLeave",
                      {connection_->sources[static_cast<std::size_t>(source)], 0, 0, 0, 0});
}

void ForeignDrag::drop(int source) {
    if (!connection_->valid(source)) return;
    connection_->send(connection_->to, "XdndDrop",
                      {connection_->sources[static_cast<std::size_t>(source)], 0, XCB_CURRENT_TIME, 0, 0});
}

void ForeignDrag::closeWindow(int source) {
    if (!connection_->valid(source)) return;
    xcb_destroy_window(connection_->connection, connection_->sources[static_cast<std::size_t>(source)]);
    if (!connection_->holding) connection_->roundTrip();
}

void ForeignDrag::hold() {
    connection_->holding = true;
}

void ForeignDrag::release() {
    connection_->holding = false;
    connection_->roundTrip();
}

void ForeignDrag::heard(const void* event) {
    const auto& message = *static_cast<const xcb_client_message_event_t*>(event);
    const auto from = std::find(connection_->sources.begin(), connection_->sources.end(), message.window);
    if ((message.response_type & 0x7f) != XCB_CLIENT_MESSAGE || from == connection_->sources.end()) return;
    const auto source = static_cast<std::size_t>(from - connection_->sources.begin());
    const bool yes = (message.data.data32[1] & 1) != 0;
    if (message.type == connection_->atomOf("XdndStatus"))
        answers_[source].emplace_back(yes ? "accept" : "refuse");
    if (message.type == connection_->atomOf("XdndFinished")) finished_[source] = yes ? "accepted" : "refused";
}

void ForeignDrag::listen(const std::function<bool()>& done) {
    xcb_connection_t* connection = connection_->connection;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < until && xcb_connection_has_error(connection) == 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        heard(event);
        std::free(event);
    }
}

std::vector<std::string> ForeignDrag::answersSoFar(int source) {
    if (!connection_->valid(source)) return {};
    // What the server sent before its answer to a round trip is read before that answer comes.
    connection_->roundTrip();
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_->connection)) {
        heard(event);
        std::free(event);
    }
    return answers_[static_cast<std::size_t>(source)];
}

std::uint32_t ForeignDrag::window(int source) const {
    return connection_->valid(source) ? connection_->sources[static_cast<std::size_t>(source)] : 0;
}

void ForeignDrag::holdData(int source) {
    if (!connection_->valid(source)) return;
    xcb_set_selection_owner(connection_->connection, connection_->sources[static_cast<std::size_t>(source)],
                            connection_->atomOf("XdndSelection"), XCB_CURRENT_TIME);
    connection_->roundTrip();
}

std::vector<std::string> ForeignDrag::answers(std::size_t count, int source) {
    if (!connection_->valid(source)) return {};
    const auto each = static_cast<std::size_t>(source);
    listen([&] { return answers_[each].size() >= count; });
    return answers_[each];
}

std::string ForeignDrag::finished(int source) {
    if (!connection_->valid(source)) return {};
    const auto each = static_cast<std::size_t>(source);
    listen([&] { return !finished_[each].empty(); });
    return finished_[each];
}

bool tamperWithDropProxy(std::uint32_t window, ProxyTampering tampering) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t proxy = xcb_connection_has_error(connection) == 0 ? proxyOf(connection, window) : 0;
    if (proxy != XCB_NONE) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        switch (tampering) {
        case ProxyTampering::deleteProperty:
            xcb_delete_property(connection, window, atom(connection, "XdndProxy"));
            break;
        case ProxyTampering::rewriteProperty:
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "XdndProxy"),
                                XCB_ATOM_WINDOW, 32, 1, &root);
            break;
        case ProxyTampering::destroyProxy:
            xcb_destroy_window(connection, proxy);
            break;
        case ProxyTampering::killProxyClient:
            xcb_kill_client(connection, proxy);
            break;
        case ProxyTampering::deleteAware:
            xcb_delete_property(connection, window, atom(connection, "XdndAware"));
            break;
        }
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
    return proxy != XCB_NONE;
}

ProxyFight::ProxyFight(std::uint32_t window) {
    thread_ = std::thread([this, window] {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection) == 0) {
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
            const xcb_atom_t proxy = atom(connection, "XdndProxy");
            while (!stop_ && xcb_connection_has_error(connection) == 0) {
                for (int i = 0; i < 100; ++i)
                    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, proxy, XCB_ATOM_WINDOW, 32,
                                        1, &root);
                std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
                writes_ += 100;
            }
        }
        xcb_disconnect(connection);
    });
}

ProxyFight::~ProxyFight() {
    stop();
}

void ProxyFight::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void sendEntersFromNoWindows(std::uint32_t target, int count, Offered offered, std::uint32_t beside) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_atom_t enter = atom(connection, "XdndEnter");
        const xcb_atom_t uriList = atom(connection, "text/uri-list");
        const Recipient to = recipientOf(connection, target, false);
        // Numbers of this connection's that name no window, since none is made of them; well past
        // those a next client given the same range makes its first windows of.
        for (int i = 0; i < 4096; ++i)
            xcb_generate_id(connection);
        // The highest numbers of the range, which its program reaches last.
        const std::uint32_t mask = xcb_get_setup(connection)->resource_id_mask;
        for (int i = 0; i < count; ++i)
            send(connection, to, enter,
                 {beside != 0 ? (beside & ~mask) | (mask - static_cast<std::uint32_t>(i))
                              : xcb_generate_id(connection),
                  5u << 24 | (offered == Offered::listed ? 1u : 0u), uriList, 0, 0});
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

void keyRoutedNow(QWindow& window, int key, const QString& text) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QWindowSystemInterface::handleKeyEvent(&window, type, key, Qt::NoModifier, text);
    // What the plugin handed on goes through Qt now; nothing posted to the event loop goes first.
    QWindowSystemInterface::sendWindowSystemEvents(QEventLoop::AllEvents);
}

} // namespace quorvane::test
