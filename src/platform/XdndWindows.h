#pragma once

// Our windows that take other programs' drops, as the drop target's own X connection serves them:
// each names a proxy window made on that connection (XdndProxy), which names itself as the
// protocol asks, and has its zones. A drag message names our window or its proxy, as its source
// chose; any other window names none of ours.

#include "platform/X11DropTarget.h"

#include <QPoint>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

class XdndWindows {
public:
    XdndWindows() = default;
    // `aware` and `proxy` are the atoms XdndAware and XdndProxy.
    XdndWindows(xcb_connection_t* connection, std::uint32_t root, std::uint32_t aware, std::uint32_t proxy);

    // Replaces those before: new windows get a proxy, and those no longer said lose theirs. Returns
    // the windows that lost theirs.
    std::vector<std::uint32_t> set(std::vector<X11DropTarget::Window> windows);
    // The window of ours a message naming `window` is for; none for any other window.
    std::optional<std::uint32_t> named(std::uint32_t window) const;
    // The kind of the zone of our window `window` at `position` (root pixels), the front one where
    // zones overlap; none outside them.
    std::optional<int> zoneAt(std::uint32_t window, QPoint position) const;

private:
    struct Registration {
        std::uint32_t proxy = 0;
        std::vector<X11DropTarget::Zone> zones;
    };

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t aware_ = 0;
    std::uint32_t proxy_ = 0;
    std::unordered_map<std::uint32_t, Registration> windows_;
    std::unordered_map<std::uint32_t, std::uint32_t> named_;
};

} // namespace quorvane
