#include "platform/X11PanelHints.h"

#include "platform/QtX11Connection.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane::X11PanelHints {
namespace {

template<class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

constexpr std::uint32_t everyDesktop = 0xFFFFFFFF;
// _NET_WM_STATE's actions and the source of a request: a normal application.
constexpr std::uint32_t addState = 1;
constexpr std::uint32_t fromApplication = 1;

struct Atoms {
    xcb_atom_t state = XCB_ATOM_NONE, desktop = XCB_ATOM_NONE;
    // Out of task bars and pagers (window cycling follows them), and on every desktop.
    std::array<xcb_atom_t, 3> panelStates{};

    explicit Atoms(xcb_connection_t* c) {
        constexpr std::array<std::string_view, 5> names = {"_NET_WM_STATE", "_NET_WM_DESKTOP",
                                                            "_NET_WM_STATE_SKIP_TASKBAR",
                                                            "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"};
        std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
        for (std::size_t i = 0; i < names.size(); ++i)
            cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(names[i].size()), names[i].data());
        std::array<xcb_atom_t, names.size()> atoms{};
        for (std::size_t i = 0; i < names.size(); ++i) {
            Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr), &std::free);
            atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        }
        state = atoms[0];
        desktop = atoms[1];
        panelStates = {atoms[2], atoms[3], atoms[4]};
    }
    bool complete() const {
        return state != XCB_ATOM_NONE && desktop != XCB_ATOM_NONE &&
               std::find(panelStates.begin(), panelStates.end(), xcb_atom_t{XCB_ATOM_NONE}) == panelStates.end();
    }
};

// A window manager reads these when it starts managing the window. Qt keeps the states it finds
// when it maps the window and adds its own (above, for stays-on-top).
void beforeMap(xcb_connection_t* c, xcb_window_t window, const Atoms& atoms) {
    Reply<xcb_get_property_reply_t> current(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atoms.state, XCB_ATOM_ATOM, 0, 64), nullptr),
        &std::free);
    std::vector<xcb_atom_t> states;
    if (current && current->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(current.get()));
        states.assign(values, values + xcb_get_property_value_length(current.get()) / 4);
    }
    for (const xcb_atom_t state : atoms.panelStates)
        if (std::find(states.begin(), states.end(), state) == states.end()) states.push_back(state);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(c);
}

void request(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
             std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    for (std::size_t i = 0; i < data.size(); ++i)
        message.data.data32[i] = data[i];
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

// The way to change a mapped window's states. The window manager handles these after the map
// request that went before them, so they stick even when it erased the properties of the last
// showing only after they were written again.
void afterMap(xcb_connection_t* c, xcb_window_t window, const Atoms& atoms) {
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr),
                                             &std::free);
    if (!geometry) return;
    const auto& [skipTaskbar, skipPager, sticky] = atoms.panelStates;
    request(c, geometry->root, window, atoms.state, {addState, skipTaskbar, skipPager, fromApplication, 0});
    request(c, geometry->root, window, atoms.state, {addState, sticky, 0, fromApplication, 0});
    request(c, geometry->root, window, atoms.desktop, {everyDesktop, fromApplication, 0, 0, 0});
    xcb_flush(c);
}

class ShowWatch : public QObject {
public:
    explicit ShowWatch(QWidget& window) : QObject(&window), window_(&window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the window is mapped.
        if (watched != window_ || event->type() != QEvent::Show) return false;
        xcb_connection_t* c = qtX11Connection();
        if (c == nullptr) return false;
        const Atoms atoms(c);
        if (!atoms.complete()) return false;
        const auto window = static_cast<xcb_window_t>(window_->winId());
        beforeMap(c, window, atoms);
        // After show() has mapped it.
        QTimer::singleShot(0, this, [this, c, window, atoms] {
            const QWidget* shown = window_;
            if (shown != nullptr && shown->isVisible() && qtX11Connection() == c) afterMap(c, window, atoms);
        });
        return false;
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

void keepOnEveryShow(QWidget& window) {
    new ShowWatch(window);
}

} // namespace quorvane::X11PanelHints
