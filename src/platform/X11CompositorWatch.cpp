#include "platform/X11CompositorWatch.h"

#include "platform/QtX11Connection.h"

#include <QCoreApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quorvane {
namespace {

template<class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_window_t rootOf(xcb_connection_t* c, int screen) {
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 0; ++i)
        xcb_screen_next(&it);
    return it.rem > 0 ? it.data->root : XCB_NONE;
}

} // namespace

X11CompositorWatch::X11CompositorWatch(QObject* parent) : QObject(parent) {
    xcb_connection_t* c = qtX11Connection();
    if (c == nullptr) return;
    // The screen Qt opened, from $DISPLAY as Qt read it.
    int screen = 0, display = 0;
    char* host = nullptr;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) screen = 0;
    std::free(host);
    const xcb_window_t root = rootOf(c, screen);
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()),
                              nullptr),
        &std::free);
    if (root == XCB_NONE || !atom) return;
    selection_ = atom->atom;
    // Qt's connection has XFixes already (its clipboard watches selections the same way).
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (xfixes != nullptr && xfixes->present) {
        Reply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr), &std::free);
        selectionNotify_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        // Never deselected: another watch on this connection may still want the same reports.
        xcb_xfixes_select_selection_input(c, root, selection_,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    // Asked after the reports were selected, so that no change falls between the two.
    running_ = ownerPresent();
}

bool X11CompositorWatch::ownerPresent() const {
    xcb_connection_t* c = qtX11Connection();
    if (c == nullptr || selection_ == 0) return true;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr), &std::free);
    return owner && owner->owner != XCB_NONE;
}

bool X11CompositorWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (selectionNotify_ == 0 || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != selectionNotify_) return false;
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != selection_) return false;
    const bool running = notify->owner != XCB_NONE;
    if (running != running_) {
        running_ = running;
        Q_EMIT runningChanged(running);
    }
    // Others on this connection may watch the same selection.
    return false;
}

} // namespace quorvane
