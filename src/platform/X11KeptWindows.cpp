#include "platform/X11KeptWindows.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11ScreenTargets.h"

#include <algorithm>
#include <xcb/composite.h>
#include <xcb/xcb.h>

namespace quorvane {

X11KeptWindows::~X11KeptWindows() {
    releaseAll();
}

void X11KeptWindows::releaseAll() {
    if (kept_.empty()) return;
    if (!connection_.broken()) {
        for (const Kept& window : kept_)
            // Unchecked: a window destroyed meanwhile answers with an error that sync() drops.
            xcb_composite_unredirect_window(connection_.xcb(), window.topLevel,
                                            XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        connection_.sync();
    }
    kept_.clear();
}

void X11KeptWindows::keep(const std::vector<QRect>& areas, std::int64_t ownProcess) {
    if (connection_.broken() || !connection_.hasComposite() || areas.empty() ||
        connection_.compositingManagerRuns())
        return releaseAll();
    const auto stack = X11ScreenTargets::topLevels(connection_);
    if (!stack) return;
    const auto meets = [&](const QRect& geometry) {
        return std::any_of(areas.begin(), areas.end(),
                           [&](const QRect& a) { return a.intersects(geometry); });
    };
    struct Candidate {
        const X11Window* window;
        QRegion unseen;
    };
    std::vector<Candidate> wanted;
    // Top to bottom, with what lies above each window.
    QRegion above;
    for (auto it = stack->rbegin(); it != stack->rend(); ++it) {
        const X11Window& window = *it;
        const QRect geometry = window.topLevelGeometry;
        // A window of another depth is already kept by the server itself.
        if (window.processID != ownProcess && window.depth == connection_.rootDepth() && meets(geometry)) {
            const QPoint origin = geometry.topLeft() + QPoint(window.topLevelBorder, window.topLevelBorder);
            wanted.push_back(Candidate{&window, (QRegion(geometry) & above).translated(-origin)});
        }
        above += geometry;
    }

    xcb_connection_t* c = connection_.xcb();
    std::vector<Kept> kept;
    std::vector<std::pair<Kept, xcb_void_cookie_t>> added;
    for (const Candidate& candidate : wanted) {
        const std::uint32_t id = candidate.window->topLevel;
        const auto found =
            std::find_if(kept_.begin(), kept_.end(), [id](const Kept& k) { return k.topLevel == id; });
        if (found != kept_.end()) {
            kept.push_back(std::move(*found));
            kept_.erase(found);
            continue;
        }
        // Watched first: the painting after the redirection is what counts.
        Kept window{id, candidate.unseen, std::make_unique<X11DamageWatch>(connection_, id)};
        const auto cookie = xcb_composite_redirect_window_checked(c, id, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        added.emplace_back(std::move(window), cookie);
    }
    // The server paints only the background while it redirects; what follows is the application's.
    const std::uint32_t redirected = added.empty() ? 0 : connection_.settle();
    for (auto& [window, cookie] : added) {
        if (X11Reply<xcb_generic_error_t>(xcb_request_check(c, cookie)) != nullptr) continue;
        window.painting->restart(redirected);
        kept.push_back(std::move(window));
    }
    // The rest are no longer under ours.
    releaseAll();
    kept_ = std::move(kept);
}

std::optional<QRegion> X11KeptWindows::unpainted(std::uint32_t topLevel) {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [topLevel](const Kept& k) { return k.topLevel == topLevel; });
    if (found == kept_.end()) return std::nullopt;
    if (found->unseen.isEmpty()) return QRegion();
    found->unseen -= found->painting->painted();
    return found->unseen;
}

} // namespace quorvane
