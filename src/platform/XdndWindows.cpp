#include "platform/XdndWindows.h"

#include "core/Log.h"

#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

namespace quorvane {
namespace {

constexpr std::uint32_t xdndVersion = 5;

// The one 32-bit value of `type` a property holds; none for any other reply, an error among them.
std::optional<std::uint32_t> valueOf(const void* reply, std::uint32_t type) {
    const auto* property = static_cast<const xcb_get_property_reply_t*>(reply);
    if (property == nullptr || property->type != type || property->format != 32 || property->value_len != 1)
        return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(property));
}

} // namespace

XdndWindows::XdndWindows(xcb_connection_t* connection, std::uint32_t root, std::uint32_t aware,
                         std::uint32_t proxy)
    : connection_(connection), root_(root), aware_(aware), proxy_(proxy) {}

std::vector<std::uint32_t> XdndWindows::set(std::vector<X11DropTarget::Window> windows) {
    std::unordered_map<std::uint32_t, Registration> kept;
    for (X11DropTarget::Window& window : windows) {
        Registration registration;
        if (auto known = windows_.find(window.id); known != windows_.end()) {
            registration = std::move(known->second);
            windows_.erase(known);
        } else {
            makeProxy(window.id, registration);
            hear(window.id, registration, Changes::heard);
        }
        registration.zones = std::move(window.zones);
        kept.emplace(window.id, std::move(registration));
    }
    // A window that is gone makes the server say so, which nobody needs to hear.
    std::vector<std::uint32_t> gone;
    for (const auto& [window, registration] : windows_) {
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &none);
        xcb_delete_property(connection_, window, proxy_);
        if (registration.check)
            for (const unsigned int sequence : registration.check->sequences)
                xcb_discard_reply(connection_, sequence);
        if (!registration.proxyGone) xcb_destroy_window(connection_, registration.proxy);
        gone.push_back(window);
    }
    windows_ = std::move(kept);
    name();
    return gone;
}

std::vector<X11DropTarget::Window> XdndWindows::windows() const {
    std::vector<X11DropTarget::Window> windows;
    for (const auto& [window, registration] : windows_)
        windows.push_back({window, registration.zones});
    return windows;
}

void XdndWindows::makeProxy(std::uint32_t window, Registration& registration) {
    registration.proxy = xcb_generate_id(connection_);
    registration.proxyGone = false;
    // Its end is always heard.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, registration.proxy, root_, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    writeProperties(window, registration);
}

void XdndWindows::hear(std::uint32_t window, Registration& registration, Changes changes) {
    registration.hearing = changes == Changes::heard;
    // Each client chooses what it hears of a window: Qt's choices for its own stay as they are.
    const std::uint32_t properties =
        changes == Changes::heard ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    const std::uint32_t proxy = properties | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &properties);
    if (!registration.proxyGone)
        xcb_change_window_attributes(connection_, registration.proxy, XCB_CW_EVENT_MASK, &proxy);
}

void XdndWindows::writeProperties(std::uint32_t window, const Registration& registration) {
    for (const std::uint32_t on : {registration.proxy, window}) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, on, proxy_, XCB_ATOM_WINDOW, 32, 1,
                            &registration.proxy);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, on, aware_, XCB_ATOM_ATOM, 32, 1,
                            &xdndVersion);
    }
}

void XdndWindows::name() {
    named_.clear();
    for (const auto& [window, registration] : windows_) {
        named_[window] = window;
        if (!registration.proxyGone) named_[registration.proxy] = window;
    }
}

std::optional<std::uint32_t> XdndWindows::named(std::uint32_t window) const {
    const auto found = named_.find(window);
    return found != named_.end() ? std::optional(found->second) : std::nullopt;
}

std::optional<int> XdndWindows::zoneAt(std::uint32_t window, QPoint position) const {
    const auto found = windows_.find(window);
    if (found == windows_.end()) return std::nullopt;
    for (const X11DropTarget::Zone& zone : found->second.zones)
        if (zone.area.contains(position)) return zone.kind;
    return std::nullopt;
}

void XdndWindows::heard(const void* event) {
    const auto type = static_cast<const xcb_generic_event_t*>(event)->response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& changed = *static_cast<const xcb_property_notify_event_t*>(event);
        if (changed.atom != proxy_ && changed.atom != aware_) return;
        const auto ours = named_.find(changed.window);
        if (ours == named_.end()) return;
        Registration& registration = windows_.at(ours->second);
        // Our own writes are heard too: what is there is read back, one check at a time.
        if (registration.check)
            registration.recheck = true;
        else if (!registration.due)
            check(ours->second, registration);
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto& destroyed = *static_cast<const xcb_destroy_notify_event_t*>(event);
        const auto ours = named_.find(destroyed.window);
        if (ours == named_.end() || ours->first == ours->second) return;
        const std::uint32_t window = ours->second;
        named_.erase(ours);
        Registration& registration = windows_.at(window);
        registration.proxyGone = true;
        undone(window, registration);
    }
}

void XdndWindows::check(std::uint32_t window, Registration& registration) {
    Check check;
    std::size_t i = 0;
    for (const std::uint32_t on : {window, registration.proxy})
        for (const auto& [atom, type] : {std::pair{proxy_, std::uint32_t{XCB_ATOM_WINDOW}},
                                         std::pair{aware_, std::uint32_t{XCB_ATOM_ATOM}}})
            check.sequences[i++] = xcb_get_property(connection_, 0, on, atom, type, 0, 1).sequence;
    registration.check = std::move(check);
    registration.recheck = false;
}

bool XdndWindows::checked(Registration& registration, bool& right) {
    const std::array<unsigned int, 4>& sequences = registration.check->sequences;
    // Answers come in order: once the last is here, so are the others.
    void* last = nullptr;
    xcb_generic_error_t* failed = nullptr;
    if (xcb_poll_for_reply(connection_, sequences[3], &last, &failed) == 0) return false;
    std::array<std::optional<std::uint32_t>, 4> values;
    bool windowGone = false;
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        void* reply = last;
        xcb_generic_error_t* error = failed;
        if (i < 3) {
            reply = nullptr;
            error = nullptr;
            xcb_poll_for_reply(connection_, sequences[i], &reply, &error);
        }
        // The window itself gone: it is left to whoever set the windows to say so.
        if (i == 0 && error != nullptr) windowGone = true;
        values[i] = valueOf(reply, i % 2 == 0 ? XCB_ATOM_WINDOW : XCB_ATOM_ATOM);
        std::free(reply);
        std::free(error);
    }
    const std::uint32_t proxy = registration.proxy;
    right = windowGone || (values[0] == proxy && values[1] == xdndVersion && values[2] == proxy &&
                           values[3] == xdndVersion);
    return true;
}

std::optional<XdndWindows::Clock::time_point> XdndWindows::keep(Clock::time_point now) {
    std::optional<Clock::time_point> next;
    for (auto& [window, registration] : windows_) {
        bool right = true;
        if (registration.check && checked(registration, right)) {
            const bool stale = registration.check->stale;
            registration.check.reset();
            if (stale) {
                registration.recheck = true;
            } else if (!right) {
                undone(window, registration);
            } else if (!registration.hearing) {
                if (registration.remade && now - *registration.remade < deafFor) {
                    registration.readAt = now + remakeApart;
                } else {
                    // Right for a while: from now on changes are heard, and those that came before
                    // that are read by one more check.
                    hear(window, registration, Changes::heard);
                    registration.recheck = true;
                }
            }
            if (registration.recheck && !registration.due) check(window, registration);
        }
        if (registration.readAt && !registration.check && !registration.due) {
            if (*registration.readAt <= now) {
                registration.readAt.reset();
                check(window, registration);
            } else {
                next = std::min(next.value_or(*registration.readAt), *registration.readAt);
            }
        }
        if (!registration.due) continue;
        const Clock::time_point at = registration.remade ? *registration.remade + remakeApart : now;
        if (at <= now)
            remake(window, registration, now);
        else
            next = std::min(next.value_or(at), at);
    }
    return next;
}

void XdndWindows::undone(std::uint32_t window, Registration& registration) {
    registration.due = true;
    // Until it is made again and found right, changes are not worth hearing: a program that writes
    // the property over and over would keep this thread reading them.
    if (registration.hearing) hear(window, registration, Changes::ignored);
}

void XdndWindows::remake(std::uint32_t window, Registration& registration, Clock::time_point now) {
    // Said once for each way it was undone, however often that goes on.
    std::optional<Clock::time_point>& said = registration.said[registration.proxyGone ? 1 : 0];
    if (!said || now - *said >= quietLog)
        Log::app().log(registration.proxyGone ? "Drop proxy window destroyed by another program: made again"
                                              : "Drop proxy property changed by another program: made again");
    said = now;
    if (registration.proxyGone) {
        makeProxy(window, registration);
        name();
    } else {
        writeProperties(window, registration);
    }
    registration.remade = now;
    registration.due = false;
    registration.readAt.reset();
    // Read back at once: changes are heard again only once it is found right.
    if (registration.check) {
        registration.check->stale = true;
        registration.recheck = true;
    } else {
        check(window, registration);
    }
}

} // namespace quorvane
