#include "platform/X11StackedWindow.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"

#include <algorithm>
#include <string>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using Property = X11Reply<xcb_get_property_reply_t>;

std::uint32_t intern(xcb_connection_t* c, const std::string& name) {
    X11Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
}

std::vector<std::uint32_t> words(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    Property reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<std::uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_get_property_cookie_t words(xcb_connection_t* c, std::uint32_t window, std::uint32_t atom,
                                std::uint32_t type = XCB_GET_PROPERTY_TYPE_ANY, std::uint32_t count = 64) {
    return xcb_get_property(c, 0, window, atom, type, 0, count);
}

struct Atoms {
    std::uint32_t pid, opacity, type, desktop, normal;
    std::vector<std::uint32_t> raised;

    explicit Atoms(xcb_connection_t* c)
        : pid(intern(c, "_NET_WM_PID")), opacity(intern(c, "_NET_WM_WINDOW_OPACITY")),
          type(intern(c, "_NET_WM_WINDOW_TYPE")), desktop(intern(c, "_NET_WM_WINDOW_TYPE_DESKTOP")),
          normal(intern(c, "_NET_WM_WINDOW_TYPE_NORMAL")) {
        // What stands at or above the menu bar's level.
        for (const char* name :
             {"_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_MENU", "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
              "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_TOOLTIP",
              "_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_WINDOW_TYPE_DND"})
            raised.push_back(intern(c, name));
    }
};

bool hasWindowManager(xcb_connection_t* c, std::uint32_t root, std::uint32_t check) {
    const auto onRoot = words(c, words(c, root, check, XCB_ATOM_WINDOW, 1));
    if (onRoot.empty()) return false;
    const auto onChild = words(c, words(c, onRoot.front(), check, XCB_ATOM_WINDOW, 1));
    return !onChild.empty() && onChild.front() == onRoot.front();
}

} // namespace

std::vector<X11StackedWindow> X11StackedWindow::frontToBack(X11InputConnection& connection) {
    if (connection.broken()) return {};
    xcb_connection_t* c = connection.xcb();
    const std::uint32_t root = connection.root();
    const Atoms atoms(c);

    // Bottom to top first.
    std::vector<std::uint32_t> stack;
    bool managed = hasWindowManager(c, root, intern(c, "_NET_SUPPORTING_WM_CHECK"));
    if (managed)
        stack = words(c, words(c, root, intern(c, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 4096));
    if (stack.empty()) {
        managed = false;
        X11Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
        if (tree) {
            const auto* children = xcb_query_tree_children(tree.get());
            stack.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }

    struct Cookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t pid, opacity, type;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(stack.size());
    for (const auto window : stack)
        cookies.push_back(Cookies{xcb_get_window_attributes(c, window), xcb_get_geometry(c, window),
                                  xcb_translate_coordinates(c, window, root, 0, 0),
                                  words(c, window, atoms.pid, XCB_ATOM_CARDINAL, 1),
                                  words(c, window, atoms.opacity, XCB_ATOM_CARDINAL, 1),
                                  words(c, window, atoms.type, XCB_ATOM_ATOM)});
    std::vector<X11StackedWindow> windows;
    for (std::size_t i = stack.size(); i-- > 0;) {
        const Cookies& cookie = cookies[i];
        X11Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, cookie.attributes, nullptr));
        X11Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, cookie.geometry, nullptr));
        X11Reply<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(c, cookie.origin, nullptr));
        const auto pid = words(c, cookie.pid);
        const auto opacity = words(c, cookie.opacity);
        const auto types = words(c, cookie.type);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT ||
            (!managed && attributes->override_redirect))
            continue;
        X11StackedWindow window;
        window.window = stack[i];
        if (!pid.empty()) window.processID = pid.front();
        if (!opacity.empty()) window.alpha = opacity.front() / double(0xffffffffu);
        // The first type the window names is the one it prefers.
        for (const auto type : types) {
            if (type == atoms.desktop)
                window.layer = -1;
            else if (std::find(atoms.raised.begin(), atoms.raised.end(), type) != atoms.raised.end())
                window.layer = 1;
            else if (type != atoms.normal)
                continue;
            break;
        }
        if (geometry && origin)
            window.bounds = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        windows.push_back(window);
    }
    return windows;
}

} // namespace quorvane
