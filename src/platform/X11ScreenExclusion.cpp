#include "platform/X11ScreenExclusion.h"

#include "platform/X11CaptureReply.h"

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
    bool moved = false;
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        const auto& window = topLevels[i];
        const bool redirected =
            !cookies.empty() && X11Reply<xcb_generic_error_t>(xcb_request_check(c, cookies[i])) == nullptr;
        if (!redirected && window.topLevelGeometry.width() < -outside) {
            move(c, window.topLevel, QPoint(outside, outside));
            moved = true;
        }
        hidden_.push_back(Hidden{window.topLevel, redirected, window.topLevelGeometry.topLeft()});
    }
    if (moved) settled_ = connection.settle();
}

X11ScreenExclusion::~X11ScreenExclusion() {
    restore();
}

std::uint32_t X11ScreenExclusion::restore() {
    if (hidden_.empty() || connection_.broken()) return 0;
    xcb_connection_t* c = connection_.xcb();
    for (const auto& window : hidden_) {
        if (window.redirected)
            xcb_composite_unredirect_window(c, window.window, XCB_COMPOSITE_REDIRECT_MANUAL);
        else
            move(c, window.window, window.position);
    }
    hidden_.clear();
    return connection_.mark();
}

} // namespace quorvane
