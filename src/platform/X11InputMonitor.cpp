#include "platform/X11InputMonitor.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"

#include <QPointer>
#include <QTimer>
#include <Qt>
#include <algorithm>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quorvane {
namespace {

bool isScrollButton(std::uint32_t button) {
    return button >= 4 && button <= 7;
}

} // namespace

X11InputMonitor::X11InputMonitor(X11InputConnection& connection,
                                 std::function<std::vector<std::uint32_t>()> ownWindows)
    : connection_(connection), ownWindows_(std::move(ownWindows)) {
    poll_.setInterval(50);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { reportMotion(); });
}

X11InputMonitor::~X11InputMonitor() {
    stop();
}

bool X11InputMonitor::start(std::function<void(const RawInputEvent&)> handler) {
    stop();
    if (connection_.broken() || !connection_.hasXInput2()) return false;
    handler_ = std::move(handler);
    heldKeys_.clear();
    connection_.retainRawInput();
    startSequence_ = connection_.sync();
    lastPosition_.reset();
    if (const auto pointer = connection_.queryPointer()) lastPosition_ = pointer->position;
    poll_.start();
    listener_ = connection_.addListener([this](const void* event) { return handle(event); });
    return true;
}

void X11InputMonitor::stop() {
    if (listener_ == 0) return;
    connection_.removeListener(listener_);
    listener_ = 0;
    ++generation_;
    motionQueued_ = false;
    handler_ = nullptr;
    poll_.stop();
    connection_.releaseRawInput();
}

int X11InputMonitor::qtKey(std::uint32_t keycode) {
    if (keycode > 255) return 0;
    loadKeys();
    switch (keysyms_[keycode]) {
    case XKB_KEY_Escape:
        return Qt::Key_Escape;
    case XKB_KEY_Return:
        return Qt::Key_Return;
    case XKB_KEY_KP_Enter:
        return Qt::Key_Enter;
    default:
        return 0;
    }
}

Qt::KeyboardModifier X11InputMonitor::modifierOf(std::uint32_t keycode) {
    if (keycode > 255) return Qt::NoModifier;
    loadKeys();
    switch (keysyms_[keycode]) {
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R:
        return Qt::ShiftModifier;
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R:
        return Qt::ControlModifier;
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
    case XKB_KEY_Meta_L:
    case XKB_KEY_Meta_R:
        return Qt::AltModifier;
    case XKB_KEY_Super_L:
    case XKB_KEY_Super_R:
    case XKB_KEY_Hyper_L:
    case XKB_KEY_Hyper_R:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

Qt::KeyboardModifiers X11InputMonitor::heldModifiers() {
    Qt::KeyboardModifiers held;
    for (std::uint32_t key : heldKeys_)
        held |= modifierOf(key);
    // The core protocol's usual rows: Shift, Control, Mod1 (Alt) and Mod4 (Super).
    if (const auto pointer = connection_.queryPointer()) {
        const std::uint16_t state = pointer->buttons;
        if (state & XCB_MOD_MASK_SHIFT) held |= Qt::ShiftModifier;
        if (state & XCB_MOD_MASK_CONTROL) held |= Qt::ControlModifier;
        if (state & XCB_MOD_MASK_1) held |= Qt::AltModifier;
        if (state & XCB_MOD_MASK_4) held |= Qt::MetaModifier;
    }
    return held;
}

RawInputEvent::Key X11InputMonitor::classify(std::uint32_t keycode) {
    if (keycode > 255) return RawInputEvent::Key::other;
    loadKeys();
    return keys_[keycode].value_or(RawInputEvent::Key::other);
}

void X11InputMonitor::loadKeys() {
    using Key = RawInputEvent::Key;
    if (keys_.empty()) {
        keys_.assign(256, std::nullopt);
        keysyms_.assign(256, 0);
        xcb_connection_t* c = connection_.xcb();
        std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(c),
                                                                                    &xcb_key_symbols_free);
        const auto symbolOf = [&](xcb_keycode_t code) -> xcb_keysym_t {
            return symbols ? xcb_key_symbols_get_keysym(symbols.get(), code, 0) : 0;
        };
        const auto isModifierSymbol = [](xcb_keysym_t s) {
            return (s >= XKB_KEY_Shift_L && s <= XKB_KEY_Control_R) ||
                   (s >= XKB_KEY_Meta_L && s <= XKB_KEY_Hyper_R);
        };
        for (int code = 8; code < 256; ++code) {
            const xcb_keysym_t symbol = symbolOf(static_cast<xcb_keycode_t>(code));
            keysyms_[code] = symbol;
            if (symbol == XKB_KEY_Escape)
                keys_[code] = Key::escape;
            else if (isModifierSymbol(symbol))
                keys_[code] = Key::modifier;
            else if (symbol == XKB_KEY_Caps_Lock || symbol == XKB_KEY_Shift_Lock ||
                     symbol == XKB_KEY_Num_Lock || symbol == XKB_KEY_Mode_switch ||
                     (symbol >= XKB_KEY_ISO_Lock && symbol <= XKB_KEY_ISO_Last_Group_Lock))
                keys_[code] = Key::lock;
        }
        // The modifier map decides for keys it holds: Shift, Control and the rows of Alt and Super
        // count; Lock and the rows of Num Lock and the level keys do not.
        X11Reply<xcb_get_modifier_mapping_reply_t> map(
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
        if (map) {
            const int perRow = map->keycodes_per_modifier;
            const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
            for (int row = 0; row < 8; ++row) {
                bool counts = row == 0 || row == 2;
                for (int i = 0; i < perRow && row >= 3; ++i) {
                    const xcb_keysym_t s = symbolOf(codes[row * perRow + i]);
                    if ((s >= XKB_KEY_Alt_L && s <= XKB_KEY_Hyper_R) || s == XKB_KEY_Meta_L ||
                        s == XKB_KEY_Meta_R)
                        counts = true;
                }
                for (int i = 0; i < perRow; ++i)
                    if (const xcb_keycode_t code = codes[row * perRow + i]; code != 0)
                        keys_[code] = counts ? Key::modifier : Key::lock;
            }
        }
    }
}

void X11InputMonitor::report(const RawInputEvent& input) {
    // The handler may stop or replace itself: call a copy.
    if (const auto handler = handler_) handler(input);
}

bool X11InputMonitor::handle(const void* event) {
    const auto* generic = static_cast<const xcb_generic_event_t*>(event);
    const std::uint8_t type = generic->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        keys_.clear();
        keysyms_.clear();
        return false;
    }
    if (type != XCB_GE_GENERIC) return false;
    const auto* ge = static_cast<const xcb_ge_generic_event_t*>(event);
    if (ge->extension != connection_.xinputOpcode()) return false;
    // A click that started the run may still be on its way when the run's monitor starts.
    if (static_cast<std::int32_t>(ge->full_sequence - startSequence_) < 0) return false;
    if (ge->event_type == XCB_INPUT_RAW_MOTION) {
        // A flood of motion becomes one look at the pointer per turn of the event loop.
        if (!motionQueued_) {
            motionQueued_ = true;
            QTimer::singleShot(0, [this, alive = std::weak_ptr<int>(alive_), generation = generation_] {
                if (!alive.expired() && generation == generation_) reportMotion();
            });
        }
        return false;
    }
    if (ge->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
        const auto* raw = static_cast<const xcb_input_raw_button_press_event_t*>(event);
        const bool scroll = isScrollButton(raw->detail);
        // Ours only while a posted click is outstanding, and then only from the XTest device.
        const bool ours = scroll && connection_.isXTestDevice(raw->sourceid) && connection_.takePostedClick(raw->full_sequence, raw->time);
        if (ours) {
            report(RawInputEvent::scroll(RawInputEvent::ownEventMark));
            return false;
        }
        if (pointerOverOwnWindow()) return false;
        RawInputEvent input = scroll ? RawInputEvent::scroll(0) : RawInputEvent::of(RawInputEvent::Kind::mouseDown);
        input.time = raw->time;
        report(input);
        return false;
    }
    if (ge->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
        const auto* raw = static_cast<const xcb_input_raw_key_release_event_t*>(event);
        std::erase(heldKeys_, raw->detail);
        return false;
    }
    if (ge->event_type == XCB_INPUT_RAW_KEY_PRESS) {
        const auto* raw = static_cast<const xcb_input_raw_key_press_event_t*>(event);
        if (modifierOf(raw->detail) != Qt::NoModifier &&
            std::find(heldKeys_.begin(), heldKeys_.end(), raw->detail) == heldKeys_.end())
            heldKeys_.push_back(raw->detail);
        if (focusInOwnWindow()) return false;
        RawInputEvent input = RawInputEvent::keyDown(classify(raw->detail));
        input.keycode = raw->detail;
        input.qtKey = qtKey(raw->detail);
        input.time = raw->time;
        input.modifiers = heldModifiers();
        report(input);
    }
    return false;
}

void X11InputMonitor::reportMotion() {
    motionQueued_ = false;
    const auto pointer = connection_.queryPointer();
    if (!pointer || !handler_ || pointer->position == lastPosition_) return;
    lastPosition_ = pointer->position;
    report(RawInputEvent::moved(pointer->position));
}

bool X11InputMonitor::pointerOverOwnWindow() {
    const auto own = ownWindows_ ? ownWindows_() : std::vector<std::uint32_t>{};
    if (own.empty()) return false;
    xcb_connection_t* c = connection_.xcb();
    // From the root down through every window under the pointer.
    std::uint32_t window = connection_.root();
    for (int depth = 0; depth < 8 && window != XCB_NONE; ++depth) {
        X11Reply<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr));
        if (!reply) return false;
        window = reply->child;
        if (std::find(own.begin(), own.end(), window) != own.end()) return true;
    }
    return false;
}

bool X11InputMonitor::focusInOwnWindow() {
    const auto own = ownWindows_ ? ownWindows_() : std::vector<std::uint32_t>{};
    if (own.empty()) return false;
    xcb_connection_t* c = connection_.xcb();
    X11Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!focus) return false;
    std::uint32_t window = focus->focus;
    // The focus may sit on a child of one of ours.
    for (int depth = 0; depth < 8 && window != XCB_NONE && window != connection_.root(); ++depth) {
        if (std::find(own.begin(), own.end(), window) != own.end()) return true;
        X11Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree) return false;
        window = tree->parent;
    }
    return false;
}

} // namespace quorvane
