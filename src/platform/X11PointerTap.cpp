#include "platform/X11PointerTap.h"

#include "core/Log.h"
#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"

#include <QThread>
#include <chrono>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quorvane {
namespace {

constexpr std::uint16_t pointerEvents =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
// Another client's grab (a menu closing, a drag ending) usually lets go within this time.
constexpr auto grabPatience = std::chrono::milliseconds(300);
constexpr int crosshairGlyph = 34;

std::uint32_t crosshair(xcb_connection_t* c) {
    const xcb_font_t font = xcb_generate_id(c);
    xcb_open_font(c, font, 6, "cursor");
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_glyph_cursor(c, cursor, font, font, crosshairGlyph, crosshairGlyph + 1, 0, 0, 0, 0xffff,
                            0xffff, 0xffff);
    xcb_close_font(c, font);
    return cursor;
}

std::uint8_t escapeKeycode(xcb_connection_t* c) {
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(c),
                                                                                &xcb_key_symbols_free);
    if (!symbols) return 0;
    X11Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), XKB_KEY_Escape));
    return codes ? codes.get()[0] : 0;
}

} // namespace

X11PointerTap::X11PointerTap(X11InputConnection& connection) : connection_(connection) {
    drain_.setInterval(100);
    QObject::connect(&drain_, &QTimer::timeout, &drain_, [this] { releaseWhenButtonsUp(); });
}

X11PointerTap::~X11PointerTap() {
    handler_ = nullptr;
    release();
}

bool X11PointerTap::grabbing() const {
    return connection_.pointerGrabbed();
}

bool X11PointerTap::start(std::function<void(const PointerTapEvent&)> handler) {
    stop();
    release();
    if (connection_.broken()) return false;
    xcb_connection_t* c = connection_.xcb();
    if (cursor_ == 0) cursor_ = crosshair(c);

    const auto deadline = std::chrono::steady_clock::now() + grabPatience;
    std::uint8_t status = XCB_GRAB_STATUS_ALREADY_GRABBED;
    for (;;) {
        X11Reply<xcb_grab_pointer_reply_t> reply(xcb_grab_pointer_reply(
            c,
            xcb_grab_pointer(c, 0, connection_.root(), pointerEvents, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_NONE, cursor_, XCB_CURRENT_TIME),
            nullptr));
        status = reply ? reply->status : std::uint8_t(XCB_GRAB_STATUS_INVALID_TIME);
        if (status == XCB_GRAB_STATUS_SUCCESS || !reply || std::chrono::steady_clock::now() >= deadline)
            break;
        QThread::msleep(20);
    }
    if (status != XCB_GRAB_STATUS_SUCCESS) return false;
    connection_.setPointerGrabbed(true);

    // Escape in every modifier and lock state; when another client holds it, we only watch it.
    escapeKeycode_ = escapeKeycode(c);
    if (escapeKeycode_ != 0) {
        X11Reply<xcb_generic_error_t> error(xcb_request_check(
            c, xcb_grab_key_checked(c, 0, connection_.root(), XCB_MOD_MASK_ANY, escapeKeycode_,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        escapeGrabbed_ = !error;
    }
    if (!escapeGrabbed_ && connection_.hasXInput2()) {
        connection_.retainRawInput();
        rawEscape_ = true;
    }
    handler_ = std::move(handler);
    heldButtons_ = 0;
    listener_ = connection_.addListener([this](const void* event) { return handle(event); });
    Log::capture().log("Drag scroll tap installed");
    return true;
}

void X11PointerTap::stop() {
    ++generation_;
    if (!handler_ && listener_ == 0) return;
    handler_ = nullptr;
    if (heldButtons_ == 0) {
        release();
        return;
    }
    // Keep swallowing until the buttons we took are up.
    if (escapeGrabbed_ && !connection_.broken())
        xcb_ungrab_key(connection_.xcb(), escapeKeycode_, connection_.root(), XCB_MOD_MASK_ANY);
    escapeGrabbed_ = false;
    drain_.start();
}

void X11PointerTap::release() {
    drain_.stop();
    const bool held = listener_ != 0 || grabbing();
    if (listener_ != 0) connection_.removeListener(listener_);
    listener_ = 0;
    if (rawEscape_) connection_.releaseRawInput();
    rawEscape_ = false;
    if (!connection_.broken()) {
        xcb_connection_t* c = connection_.xcb();
        if (grabbing()) xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        if (escapeGrabbed_) xcb_ungrab_key(c, escapeKeycode_, connection_.root(), XCB_MOD_MASK_ANY);
        connection_.sync();
    }
    connection_.setPointerGrabbed(false);
    escapeGrabbed_ = false;
    heldButtons_ = 0;
    if (held) Log::capture().log("Drag scroll tap removed");
}

void X11PointerTap::releaseWhenButtonsUp() {
    const auto pointer = connection_.queryPointer();
    // Buttons 1 to 5 sit at bits 8 to 12 of the state.
    const std::uint32_t down = pointer ? (pointer->buttons >> 8) & 0x1f : 0;
    if ((heldButtons_ >> 1 & down) == 0) release();
}

bool X11PointerTap::handle(const void* event) {
    const auto* generic = static_cast<const xcb_generic_event_t*>(event);
    const std::uint8_t type = generic->response_type & 0x7f;
    // Later, so that the handler may stop or drop the tap; nothing arrives after stop().
    const auto deliver = [this](PointerTapEvent::Kind kind, QPoint at) {
        if (!handler_) return;
        QTimer::singleShot(0, &drain_, [this, generation = generation_, event = PointerTapEvent{kind, at}] {
            if (generation != generation_ || !handler_) return;
            const auto report = handler_;
            report(event);
        });
    };
    switch (type) {
    case XCB_BUTTON_PRESS: {
        const auto* press = static_cast<const xcb_button_press_event_t*>(event);
        if (press->detail < 32) heldButtons_ |= 1u << press->detail;
        const QPoint at(press->root_x, press->root_y);
        if (press->detail == 1)
            deliver(PointerTapEvent::Kind::leftDown, at);
        else if (press->detail == 3)
            deliver(PointerTapEvent::Kind::rightDown, at);
        return true;
    }
    case XCB_BUTTON_RELEASE: {
        const auto* up = static_cast<const xcb_button_release_event_t*>(event);
        if (up->detail < 32) heldButtons_ &= ~(1u << up->detail);
        if (up->detail == 1) deliver(PointerTapEvent::Kind::leftUp, QPoint(up->root_x, up->root_y));
        if (!handler_ && heldButtons_ == 0) release();
        return true;
    }
    case XCB_MOTION_NOTIFY: {
        const auto* motion = static_cast<const xcb_motion_notify_event_t*>(event);
        if ((motion->state & XCB_BUTTON_MASK_1) != 0)
            deliver(PointerTapEvent::Kind::leftDrag, QPoint(motion->root_x, motion->root_y));
        return true;
    }
    case XCB_KEY_PRESS: {
        const auto* key = static_cast<const xcb_key_press_event_t*>(event);
        if (key->detail == escapeKeycode_)
            deliver(PointerTapEvent::Kind::escape, QPoint(key->root_x, key->root_y));
        return true;
    }
    case XCB_GE_GENERIC: {
        const auto* ge = static_cast<const xcb_ge_generic_event_t*>(event);
        if (!rawEscape_ || ge->extension != connection_.xinputOpcode() ||
            ge->event_type != XCB_INPUT_RAW_KEY_PRESS)
            return false;
        const auto* raw = static_cast<const xcb_input_raw_key_press_event_t*>(event);
        if (raw->detail == escapeKeycode_) {
            const auto pointer = connection_.queryPointer();
            deliver(PointerTapEvent::Kind::escape, pointer ? pointer->position : QPoint());
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace quorvane
