#include "platform/FloatingPanel.h"

#include "platform/QtX11Connection.h"

#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane::FloatingPanel {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Qt keeps the states it finds on a window it maps, and adds its own (above, for stays-on-top).
void addWindowStates(QWidget& window) {
    xcb_connection_t* c = qtX11Connection();
    if (c == nullptr) return;
    std::vector<xcb_atom_t> states;
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY",
                             "_NET_WM_STATE_ABOVE"})
        if (const xcb_atom_t state = atom(c, name); state != XCB_ATOM_NONE) states.push_back(state);
    const xcb_atom_t property = atom(c, "_NET_WM_STATE");
    if (property == XCB_ATOM_NONE || states.empty()) return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), property,
                        XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(states.size()), states.data());
    // Every desktop, also for window managers that read only this.
    if (const xcb_atom_t desktop = atom(c, "_NET_WM_DESKTOP"); desktop != XCB_ATOM_NONE) {
        const std::uint32_t all = 0xFFFFFFFF;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), desktop,
                            XCB_ATOM_CARDINAL, 32, 1, &all);
    }
    xcb_flush(c);
}

} // namespace

void configure(QWidget& window, Input input) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    if (input == Input::passesThrough) flags |= Qt::WindowTransparentForInput;
    window.setWindowFlags(flags);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // The native window exists from here on, so that its states can be set before it is mapped.
    window.winId();
    addWindowStates(window);
}

} // namespace quorvane::FloatingPanel
