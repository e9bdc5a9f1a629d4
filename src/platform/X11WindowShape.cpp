#include "platform/X11WindowShape.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"

#include <string>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace quorvane::X11WindowShape {
namespace {

bool hasShape(xcb_connection_t* c) {
    const auto* data = xcb_get_extension_data(c, &xcb_shape_id);
    return data != nullptr && data->present;
}

std::optional<std::vector<QRect>> rectangles(X11InputConnection& connection, std::uint32_t window,
                                             xcb_shape_kind_t kind) {
    if (connection.broken() || !hasShape(connection.xcb())) return std::nullopt;
    xcb_connection_t* c = connection.xcb();
    X11Reply<xcb_shape_get_rectangles_reply_t> reply(
        xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, window, kind), nullptr));
    if (!reply) return std::nullopt;
    std::vector<QRect> rects;
    const auto* list = xcb_shape_get_rectangles_rectangles(reply.get());
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply.get()); ++i)
        rects.emplace_back(list[i].x, list[i].y, list[i].width, list[i].height);
    return rects;
}

} // namespace

bool compositorRunning(X11InputConnection& connection) {
    if (connection.broken()) return false;
    xcb_connection_t* c = connection.xcb();
    int screen = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem > 0; xcb_screen_next(&it), ++screen)
        if (it.data->root == connection.root()) break;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    X11Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    X11Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

bool setBounding(X11InputConnection& connection, std::uint32_t window, const std::vector<QRect>& rects) {
    if (connection.broken() || !hasShape(connection.xcb())) return false;
    xcb_connection_t* c = connection.xcb();
    if (rects.empty()) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window, 0, 0, XCB_NONE);
    } else {
        std::vector<xcb_rectangle_t> list;
        for (const QRect& r : rects)
            list.push_back(xcb_rectangle_t{static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                                           static_cast<std::uint16_t>(r.width()),
                                           static_cast<std::uint16_t>(r.height())});
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, window,
                             0, 0, static_cast<std::uint32_t>(list.size()), list.data());
    }
    connection.sync();
    return !connection.broken();
}

std::optional<std::vector<QRect>> bounding(X11InputConnection& connection, std::uint32_t window) {
    return rectangles(connection, window, XCB_SHAPE_SK_BOUNDING);
}

std::optional<std::vector<QRect>> input(X11InputConnection& connection, std::uint32_t window) {
    return rectangles(connection, window, XCB_SHAPE_SK_INPUT);
}

} // namespace quorvane::X11WindowShape
