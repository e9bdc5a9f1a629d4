#include "platform/X11ScreenTargets.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11WindowClass.h"

#include <QByteArrayList>
#include <algorithm>
#include <cstring>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace quorvane::X11ScreenTargets {
namespace {

constexpr std::uint32_t maxPropertyWords = 1024;
// Frames of reparenting window managers nest the client a level or two deep.
constexpr int maxClientDepth = 3;

using Property = X11Reply<xcb_get_property_reply_t>;

xcb_get_property_cookie_t requestProperty(xcb_connection_t* c, std::uint32_t window, std::uint32_t atom,
                                          std::uint32_t type = XCB_GET_PROPERTY_TYPE_ANY,
                                          std::uint32_t words = maxPropertyWords) {
    return xcb_get_property(c, 0, window, atom, type, 0, words);
}

Property takeProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    Property reply(xcb_get_property_reply(c, cookie, nullptr));
    if (reply && reply->type == XCB_ATOM_NONE) reply.reset();
    return reply;
}

QByteArray bytes(const Property& property) {
    if (!property || property->format != 8) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(property.get())),
                      xcb_get_property_value_length(property.get()));
}

std::vector<std::uint32_t> words(const Property& property) {
    if (!property || property->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    return std::vector<std::uint32_t>(values, values + xcb_get_property_value_length(property.get()) / 4);
}

X11CaptureError connectionError() {
    return X11CaptureError{X11CaptureError::Kind::connectionFailed, 0};
}

struct Atoms {
    std::uint32_t wmState, netWmPid, netWmName, utf8String, netWmWindowType, typeDesktop, typeDock;

    explicit Atoms(X11CaptureConnection& connection)
        : wmState(connection.atom("WM_STATE")), netWmPid(connection.atom("_NET_WM_PID")),
          netWmName(connection.atom("_NET_WM_NAME")), utf8String(connection.atom("UTF8_STRING")),
          netWmWindowType(connection.atom("_NET_WM_WINDOW_TYPE")),
          typeDesktop(connection.atom("_NET_WM_WINDOW_TYPE_DESKTOP")),
          typeDock(connection.atom("_NET_WM_WINDOW_TYPE_DOCK")) {}
};

std::vector<std::uint32_t> children(xcb_connection_t* c, std::uint32_t window) {
    X11Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree) return {};
    const auto* list = xcb_query_tree_children(tree.get());
    return std::vector<std::uint32_t>(list, list + xcb_query_tree_children_length(tree.get()));
}

// The window carrying WM_STATE inside `topLevel` (breadth first), or `topLevel` itself.
std::uint32_t clientOf(xcb_connection_t* c, const Atoms& atoms, std::uint32_t topLevel) {
    std::vector<std::uint32_t> level{topLevel};
    for (int depth = 0; depth <= maxClientDepth && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> cookies;
        for (const auto window : level)
            cookies.push_back(requestProperty(c, window, atoms.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0));
        std::uint32_t found = 0;
        for (std::size_t i = 0; i < level.size(); ++i)
            if (takeProperty(c, cookies[i]) && found == 0) found = level[i];
        if (found != 0) return found;
        std::vector<std::uint32_t> next;
        for (const auto window : level) {
            const auto inner = children(c, window);
            next.insert(next.end(), inner.begin(), inner.end());
        }
        level = std::move(next);
    }
    return topLevel;
}

// Fills title, process, application name, layer, geometry and depth of each window's client;
// drops windows that vanished meanwhile.
void describe(X11CaptureConnection& connection, std::vector<X11Window>& windows) {
    xcb_connection_t* c = connection.xcb();
    const Atoms atoms(connection);
    struct Cookies {
        xcb_get_property_cookie_t pid, netName, name, wmClass, type;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (const auto& window : windows)
        cookies.push_back(Cookies{
            requestProperty(c, window.client, atoms.netWmPid, XCB_ATOM_CARDINAL, 1),
            requestProperty(c, window.client, atoms.netWmName, atoms.utf8String),
            requestProperty(c, window.client, XCB_ATOM_WM_NAME, XCB_ATOM_STRING),
            requestProperty(c, window.client, XCB_ATOM_WM_CLASS),
            requestProperty(c, window.client, atoms.netWmWindowType, XCB_ATOM_ATOM),
            xcb_get_geometry(c, window.client),
            xcb_translate_coordinates(c, window.client, connection.root(), 0, 0),
        });
    std::vector<X11Window> described;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        X11Window window = windows[i];
        const auto& cookie = cookies[i];
        const auto pid = words(takeProperty(c, cookie.pid));
        const QByteArray netName = bytes(takeProperty(c, cookie.netName));
        const QByteArray name = bytes(takeProperty(c, cookie.name));
        const QByteArray wmClass = bytes(takeProperty(c, cookie.wmClass));
        const auto types = words(takeProperty(c, cookie.type));
        X11Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, cookie.geometry, nullptr));
        X11Reply<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(c, cookie.origin, nullptr));
        if (!geometry || !origin) continue;

        window.processID = pid.empty() ? 0 : static_cast<std::int64_t>(pid.front());
        window.title = !netName.isEmpty() ? QString::fromUtf8(netName) : QString::fromLatin1(name);
        window.applicationName = X11WindowClass::programName(wmClass);
        window.layer = 0;
        for (const auto type : types) {
            if (type == atoms.typeDesktop) window.layer = -1;
            if (type == atoms.typeDock) window.layer = 1;
        }
        window.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        window.depth = geometry->depth;
        described.push_back(std::move(window));
    }
    windows = std::move(described);
}

bool hasWindowManager(X11CaptureConnection& connection) {
    xcb_connection_t* c = connection.xcb();
    const std::uint32_t check = connection.atom("_NET_SUPPORTING_WM_CHECK");
    const auto onRoot =
        words(takeProperty(c, requestProperty(c, connection.root(), check, XCB_ATOM_WINDOW, 1)));
    if (onRoot.empty()) return false;
    // A stale property of a window manager that has exited names a window that is gone.
    const auto onChild =
        words(takeProperty(c, requestProperty(c, onRoot.front(), check, XCB_ATOM_WINDOW, 1)));
    return !onChild.empty() && onChild.front() == onRoot.front();
}

std::vector<X11Monitor> randrMonitors(X11CaptureConnection& connection) {
    xcb_connection_t* c = connection.xcb();
    X11Reply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, connection.root(), 1), nullptr));
    if (!reply) return {};
    std::vector<X11Monitor> monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const auto* info = it.data;
        if (info->width == 0 || info->height == 0) continue;
        monitors.push_back(X11Monitor{info->name, connection.atomName(info->name),
                                      QRect(info->x, info->y, info->width, info->height),
                                      info->primary != 0});
    }
    return monitors;
}

std::vector<X11Monitor> crtcMonitors(X11CaptureConnection& connection) {
    xcb_connection_t* c = connection.xcb();
    X11Reply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, connection.root()), nullptr));
    if (!resources) return {};
    X11Reply<xcb_randr_get_output_primary_reply_t> primary(
        xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, connection.root()), nullptr));
    const auto* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    std::vector<X11Monitor> monitors;
    for (int i = 0; i < count; ++i) {
        X11Reply<xcb_randr_get_output_info_reply_t> output(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr));
        if (!output || output->crtc == XCB_NONE || output->connection != XCB_RANDR_CONNECTION_CONNECTED)
            continue;
        X11Reply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            c, xcb_randr_get_crtc_info(c, output->crtc, resources->config_timestamp), nullptr));
        if (!crtc || crtc->width == 0 || crtc->height == 0) continue;
        const auto* name = reinterpret_cast<const char*>(xcb_randr_get_output_info_name(output.get()));
        const std::string outputName(
            name, static_cast<std::size_t>(xcb_randr_get_output_info_name_length(output.get())));
        monitors.push_back(X11Monitor{connection.atom(outputName), QString::fromStdString(outputName),
                                      QRect(crtc->x, crtc->y, crtc->width, crtc->height),
                                      primary && primary->output == outputs[i]});
    }
    return monitors;
}

} // namespace

Result<std::vector<X11Monitor>, X11CaptureError> monitors(X11CaptureConnection& connection) {
    if (connection.broken()) return Failure{connectionError()};
    std::vector<X11Monitor> result;
    if (connection.randrMinor() >= 5) result = randrMonitors(connection);
    if (result.empty() && connection.randrMinor() >= 2) result = crtcMonitors(connection);
    if (result.empty()) {
        const QRect root = connection.rootGeometry();
        if (root.isEmpty()) return Failure{connectionError()};
        result.push_back(X11Monitor{connection.root(), QString(), root, true});
    }
    if (connection.broken()) return Failure{connectionError()};
    return result;
}

Result<std::vector<X11Window>, X11CaptureError> topLevels(X11CaptureConnection& connection) {
    if (connection.broken()) return Failure{connectionError()};
    xcb_connection_t* c = connection.xcb();
    const Atoms atoms(connection);
    const auto stack = children(c, connection.root());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (const auto window : stack) {
        attributes.push_back(xcb_get_window_attributes(c, window));
        geometries.push_back(xcb_get_geometry(c, window));
    }
    std::vector<X11Window> windows;
    for (std::size_t i = 0; i < stack.size(); ++i) {
        X11Reply<xcb_get_window_attributes_reply_t> attribute(
            xcb_get_window_attributes_reply(c, attributes[i], nullptr));
        X11Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometries[i], nullptr));
        if (!attribute || !geometry || attribute->map_state != XCB_MAP_STATE_VIEWABLE ||
            attribute->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        X11Window window;
        window.topLevel = stack[i];
        window.overrideRedirect = attribute->override_redirect != 0;
        const int outer = 2 * geometry->border_width;
        window.topLevelGeometry =
            QRect(geometry->x, geometry->y, geometry->width + outer, geometry->height + outer);
        window.topLevelBorder = geometry->border_width;
        window.client = clientOf(c, atoms, stack[i]);
        windows.push_back(std::move(window));
    }
    describe(connection, windows);
    if (connection.broken()) return Failure{connectionError()};
    return windows;
}

Result<std::vector<X11Window>, X11CaptureError> applicationWindows(X11CaptureConnection& connection) {
    if (connection.broken()) return Failure{connectionError()};
    std::vector<X11Window> windows;
    if (hasWindowManager(connection)) {
        xcb_connection_t* c = connection.xcb();
        auto list = words(
            takeProperty(c, requestProperty(c, connection.root(),
                                            connection.atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW)));
        if (list.empty())
            list =
                words(takeProperty(c, requestProperty(c, connection.root(),
                                                      connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)));
        std::vector<xcb_get_window_attributes_cookie_t> attributes;
        for (const auto window : list)
            attributes.push_back(xcb_get_window_attributes(c, window));
        // Bottom to top; windows on other desktops and minimised ones are unmapped.
        for (std::size_t i = list.size(); i-- > 0;) {
            X11Reply<xcb_get_window_attributes_reply_t> attribute(
                xcb_get_window_attributes_reply(c, attributes[i], nullptr));
            if (!attribute || attribute->map_state != XCB_MAP_STATE_VIEWABLE) continue;
            X11Window window;
            window.client = list[i];
            windows.push_back(std::move(window));
        }
        describe(connection, windows);
    } else {
        auto all = topLevels(connection);
        if (!all) return Failure{all.error()};
        for (auto it = all->rbegin(); it != all->rend(); ++it)
            if (!it->overrideRedirect) {
                X11Window window = *it;
                window.topLevel = 0;
                windows.push_back(std::move(window));
            }
    }
    if (connection.broken()) return Failure{connectionError()};
    return windows;
}

std::optional<X11Window> viewableWindow(X11CaptureConnection& connection, std::uint32_t window) {
    xcb_connection_t* c = connection.xcb();
    const auto attributeCookie = xcb_get_window_attributes(c, window);
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto originCookie = xcb_translate_coordinates(c, window, connection.root(), 0, 0);
    X11Reply<xcb_get_window_attributes_reply_t> attribute(
        xcb_get_window_attributes_reply(c, attributeCookie, nullptr));
    X11Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    X11Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, originCookie, nullptr));
    if (!attribute || !geometry || !origin || attribute->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    X11Window result;
    result.client = window;
    result.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    result.depth = geometry->depth;
    // Walk up to the root's child.
    std::uint32_t current = window;
    for (int guard = 0; guard < 64; ++guard) {
        X11Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == connection.root() || tree->parent == XCB_NONE) break;
        current = tree->parent;
    }
    result.topLevel = current;
    return result;
}

} // namespace quorvane::X11ScreenTargets
