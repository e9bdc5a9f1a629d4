#include "platform/X11ScreenExclusion.h"

#include "platform/X11CaptureReply.h"

#include <cstdlib>
#include <xcb/composite.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

// Far outside any root window, inside the protocol's 16-bit coordinates.
constexpr int outside = -32000;

void move(xcb_connection_t* c, std::uint32_t window, QPoint position) {
    const std::uint32_t values[] = {static_cast<std::uint32_t>(position.x()),
                                    static_cast<std::uint32_t>(position.y())};
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
}

void setOpacity(xcb_connection_t* c, std::uint32_t window, std::uint32_t atom,
                std::optional<std::uint32_t> value) {
    if (value)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom, XCB_ATOM_CARDINAL, 32, 1, &*value);
    else
        xcb_delete_property(c, window, atom);
}

} // namespace

X11ScreenExclusion::X11ScreenExclusion(X11CaptureConnection& connection,
                                       const std::vector<X11Window>& topLevels)
    : connection_(connection) {
    if (topLevels.empty() || connection.broken()) return;
    xcb_connection_t* c = connection.xcb();
    std::vector<xcb_void_cookie_t> cookies;
    if (connection.hasComposite())
        for (const auto& window : topLevels)
            cookies.push_back(
                xcb_composite_redirect_window_checked(c, window.topLevel, XCB_COMPOSITE_REDIRECT_MANUAL));
    settled_ = connection.settle();
    opacity_ = connection.atom("_NET_WM_WINDOW_OPACITY");
    bool changed = false;
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        const auto& window = topLevels[i];
        Hidden hidden{
            window.topLevel, window.client, Way::redirected, window.topLevelGeometry.topLeft(), {}, {}};
        if (cookies.empty() || X11Reply<xcb_generic_error_t>(xcb_request_check(c, cookies[i])) != nullptr) {
            changed = true;
            if (!cookies.empty() && opacity_ != XCB_ATOM_NONE) {
                // A compositing manager owns the redirection, and a window manager would pull a
                // frame moved off the screen partly back: the compositing manager is told to draw
                // it fully transparent instead.
                hidden.way = Way::faded;
                hidden.topLevelOpacity = opacity(window.topLevel);
                if (window.client != window.topLevel) hidden.clientOpacity = opacity(window.client);
                for (const std::uint32_t w : {window.topLevel, window.client})
                    setOpacity(c, w, opacity_, std::uint32_t{0});
            } else if (window.topLevelGeometry.width() < -outside) {
                hidden.way = Way::moved;
                move(c, window.topLevel, QPoint(outside, outside));
            }
        }
        hidden_.push_back(hidden);
    }
    if (changed) settled_ = connection.settle();
}

X11ScreenExclusion::~X11ScreenExclusion() {
    restore();
}

std::optional<std::uint32_t> X11ScreenExclusion::opacity(std::uint32_t window) {
    xcb_connection_t* c = connection_.xcb();
    X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, opacity_, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::uint32_t X11ScreenExclusion::restore() {
    if (hidden_.empty() || connection_.broken()) return 0;
    xcb_connection_t* c = connection_.xcb();
    for (const auto& window : hidden_) {
        switch (window.way) {
        case Way::redirected:
            xcb_composite_unredirect_window(c, window.topLevel, XCB_COMPOSITE_REDIRECT_MANUAL);
            break;
        case Way::faded:
            if (window.client != window.topLevel)
                setOpacity(c, window.client, opacity_, window.clientOpacity);
            setOpacity(c, window.topLevel, opacity_, window.topLevelOpacity);
            break;
        case Way::moved:
            move(c, window.topLevel, window.position);
            break;
        }
    }
    hidden_.clear();
    return connection_.mark();
}

} // namespace quorvane
