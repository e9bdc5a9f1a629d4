#include "platform/X11WindowContents.h"

#include "platform/X11CaptureReply.h"

#include <xcb/composite.h>
#include <xcb/xcb.h>

namespace quorvane {

X11WindowContents::X11WindowContents(X11CaptureConnection& connection, const X11Window& window)
    : connection_(connection), window_(window.client) {
    if (connection.broken() || !connection.hasComposite()) return;
    unseen_ = unseen(window);
    if (unseen_.isEmpty()) return;
    xcb_connection_t* c = connection.xcb();
    // Watched first: the application's painting after the redirection is what counts.
    repaint_ = std::make_unique<X11DamageWatch>(connection, window_);
    const auto cookie = xcb_composite_redirect_window_checked(c, window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    const std::uint32_t done = connection.settle();
    redirected_ = X11Reply<xcb_generic_error_t>(xcb_request_check(c, cookie)) == nullptr;
    if (!redirected_) {
        // Already kept whole, by us or by a compositing manager, or not ours to redirect.
        repaint_.reset();
        return;
    }
    // The server has painted the background by now; the application's painting is what counts.
    repaint_->restart(done);
}

X11WindowContents::~X11WindowContents() {
    repaint_.reset();
    if (!redirected_ || connection_.broken()) return;
    xcb_composite_unredirect_window(connection_.xcb(), window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    // Unchecked: a window destroyed meanwhile answers with an error that sync() drops.
    connection_.sync();
}

QRegion X11WindowContents::unseen(const X11Window& window) {
    if (connection_.compositingManagerRuns()) return {};
    QRegion hidden = QRegion(window.geometry) - QRegion(connection_.rootGeometry());
    const auto stack = X11ScreenTargets::topLevels(connection_);
    if (!stack) return QRegion(window.geometry).translated(-window.geometry.topLeft());
    // Bottom to top: whatever comes after the window's own top level lies above it.
    bool above = false;
    for (const auto& other : *stack) {
        if (above) hidden += QRegion(other.topLevelGeometry.intersected(window.geometry));
        above = above || other.topLevel == window.topLevel;
    }
    if (!above) hidden = QRegion(window.geometry);
    return hidden.translated(-window.geometry.topLeft());
}

bool X11WindowContents::painted() {
    return !repaint_ || repaint_->covers(unseen_);
}

} // namespace quorvane
