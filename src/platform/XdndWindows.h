#pragma once

// Our windows that take other programs' drops, as the drop target's own X connection serves them:
// each names a proxy window made on that connection (XdndProxy), which names itself as the
// protocol asks, and has its zones. A drag message names our window or its proxy, as its source
// chose; any other window names none of ours.
//
// Any other client may delete or rewrite those properties, or destroy the proxy: each is watched
// (the properties' changes on both windows, the proxy's end) and made again, at most once every
// `remakeApart` a window, so that a program fighting over them costs a few requests a second; their
// changes are not heard from when they are found changed until they have been read back right for
// `deafFor` since they were last made again, and are read back every `remakeApart` meanwhile. The
// first making again of a while is logged, for each way they were undone; those that follow it
// within `quietLog` are not.

#include "platform/X11DropTarget.h"

#include <QPoint>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

class XdndWindows {
public:
    using Clock = std::chrono::steady_clock;
    // A window's proxy is made again at most this often.
    static constexpr std::chrono::milliseconds remakeApart{250};
    // A making again this long after the one before of its kind is logged again.
    static constexpr std::chrono::seconds quietLog{5};
    // Made again, a window's properties are read back rather than heard for this long: a program
    // fighting over them would send a change for each of its writes while the read-back is underway.
    static constexpr std::chrono::seconds deafFor{2};

    XdndWindows() = default;
    // `aware` and `proxy` are the atoms XdndAware and XdndProxy.
    XdndWindows(xcb_connection_t* connection, std::uint32_t root, std::uint32_t aware, std::uint32_t proxy);

    // Replaces those before: new windows get a proxy, and those no longer said lose theirs. Returns
    // the windows that lost theirs.
    std::vector<std::uint32_t> set(std::vector<X11DropTarget::Window> windows);
    // The windows as last set.
    std::vector<X11DropTarget::Window> windows() const;
    // The window of ours a message naming `window` is for; none for any other window.
    std::optional<std::uint32_t> named(std::uint32_t window) const;
    // The kind of the zone of our window `window` at `position` (root pixels), the front one where
    // zones overlap; none outside them.
    std::optional<int> zoneAt(std::uint32_t window, QPoint position) const;

    // Takes an event as xcb hands it, if it tells of a change to what a window of ours needs.
    void heard(const void* event);
    // Takes the answers to what was checked and makes again what another client changed, as far as
    // `now` allows. Returns when it has more to do, if it has.
    std::optional<Clock::time_point> keep(Clock::time_point now);

private:
    // A property of ours read back after it changed: two on each of the window and its proxy.
    struct Check {
        // XdndProxy and XdndAware of the window, then of the proxy.
        std::array<unsigned int, 4> sequences{};
        // Our own making again came after it was sent: what it read is old.
        bool stale = false;
    };
    struct Registration {
        std::uint32_t proxy = 0;
        std::vector<X11DropTarget::Zone> zones;
        std::optional<Check> check;
        // Changed while a check was underway: read again once it comes.
        bool recheck = false;
        // To be made again, once `remakeApart` has passed since the last time.
        bool due = false;
        bool proxyGone = false;
        // Whether changes to the properties come to us.
        bool hearing = false;
        std::optional<Clock::time_point> remade;
        // When it is next read back while its changes are not heard.
        std::optional<Clock::time_point> readAt;
        // The last making again after a change of a property, and after the proxy's end.
        std::array<std::optional<Clock::time_point>, 2> said;
    };

    enum class Changes { heard, ignored };

    void makeProxy(std::uint32_t window, Registration& registration);
    // Whether changes to the properties of the window and its proxy come to us; the proxy's end
    // always does.
    void hear(std::uint32_t window, Registration& registration, Changes changes);
    // Found changed or gone: made again once it may be.
    void undone(std::uint32_t window, Registration& registration);
    void writeProperties(std::uint32_t window, const Registration& registration);
    void check(std::uint32_t window, Registration& registration);
    // Whether the check's answers have all come; `right` says what they read.
    bool checked(Registration& registration, bool& right);
    void remake(std::uint32_t window, Registration& registration, Clock::time_point now);
    void name();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t aware_ = 0;
    std::uint32_t proxy_ = 0;
    std::unordered_map<std::uint32_t, Registration> windows_;
    std::unordered_map<std::uint32_t, std::uint32_t> named_;
};

} // namespace quorvane
