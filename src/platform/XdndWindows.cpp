#include "platform/XdndWindows.h"

#include <xcb/xcb.h>

namespace quorvane {
namespace {

constexpr std::uint32_t xdndVersion = 5;

} // namespace

XdndWindows::XdndWindows(xcb_connection_t* connection, std::uint32_t root, std::uint32_t aware,
                         std::uint32_t proxy)
    : connection_(connection), root_(root), aware_(aware), proxy_(proxy) {}

std::vector<std::uint32_t> XdndWindows::set(std::vector<X11DropTarget::Window> windows) {
    std::unordered_map<std::uint32_t, Registration> kept;
    for (X11DropTarget::Window& window : windows) {
        Registration registration;
        if (auto known = windows_.find(window.id); known != windows_.end()) {
            registration.proxy = known->second.proxy;
            windows_.erase(known);
        } else {
            registration.proxy = xcb_generate_id(connection_);
            xcb_create_window(connection_, XCB_COPY_FROM_PARENT, registration.proxy, root_, -1, -1, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            for (const std::uint32_t on : {registration.proxy, window.id}) {
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, on, proxy_, XCB_ATOM_WINDOW, 32, 1,
                                    &registration.proxy);
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, on, aware_, XCB_ATOM_ATOM, 32, 1,
                                    &xdndVersion);
            }
        }
        registration.zones = std::move(window.zones);
        kept.emplace(window.id, std::move(registration));
    }
    // A window that is gone makes the server say so, which nobody needs to hear.
    std::vector<std::uint32_t> gone;
    for (const auto& [window, registration] : windows_) {
        xcb_delete_property(connection_, window, proxy_);
        xcb_destroy_window(connection_, registration.proxy);
        gone.push_back(window);
    }
    windows_ = std::move(kept);
    named_.clear();
    for (const auto& [window, registration] : windows_) {
        named_[window] = window;
        named_[registration.proxy] = window;
    }
    return gone;
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

} // namespace quorvane
