#include "platform/X11KeyboardLayout.h"

#include "platform/QtX11Connection.h"

#include <QGuiApplication>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace quorvane {
namespace {

// XKB event subtypes that replace the keymap.
constexpr std::uint8_t xkbNewKeyboardNotify = 0;
constexpr std::uint8_t xkbMapNotify = 1;

bool trimmable(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control;
}

} // namespace

X11KeyboardLayout::~X11KeyboardLayout() {
    if (application_ != nullptr) application_->removeNativeEventFilter(this);
    dropKeymap();
    if (context_ != nullptr) xkb_context_unref(context_);
}

void X11KeyboardLayout::dropKeymap() {
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keymap_ = nullptr;
}

bool X11KeyboardLayout::prepare(xcb_connection_t* connection) {
    if (connection != connection_ || application_ != QCoreApplication::instance()) {
        dropKeymap();
        if (application_ != nullptr) application_->removeNativeEventFilter(this);
        application_ = nullptr;
        connection_ = connection;
        device_ = -1;
        std::uint8_t firstEvent = 0;
        if (xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                        XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                        nullptr, nullptr, &firstEvent, nullptr) == 0)
            return false;
        xkbFirstEvent_ = firstEvent;
        device_ = xkb_x11_get_core_keyboard_device_id(connection);
        // Qt already listens for keymap changes on this connection; watching its events tells
        // when the cached keymap is stale.
        application_ = QCoreApplication::instance();
        application_->installNativeEventFilter(this);
    }
    if (device_ < 0) return false;
    if (context_ == nullptr) context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_ == nullptr) return false;
    if (keymap_ == nullptr)
        keymap_ = xkb_x11_keymap_new_from_device(context_, connection, device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    return keymap_ != nullptr;
}

std::optional<QString> X11KeyboardLayout::text(std::uint32_t x11Keycode) {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || !prepare(connection)) return std::nullopt;
    xkb_state* state = xkb_x11_state_new_from_device(keymap_, connection, device_);
    if (state == nullptr) return std::nullopt;
    const xkb_layout_index_t layout = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
    xkb_state_unref(state);

    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap_, x11Keycode, layout, 0, &symbols) < 1) return std::nullopt;
    char utf8[16] = {};
    if (xkb_keysym_to_utf8(symbols[0], utf8, sizeof utf8) <= 0) return std::nullopt;
    QString typed = QString::fromUtf8(utf8);
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && trimmable(typed[begin]))
        ++begin;
    while (end > begin && trimmable(typed[end - 1]))
        --end;
    if (begin == end) return std::nullopt;
    return typed.mid(begin, end - begin);
}

bool X11KeyboardLayout::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || keymap_ == nullptr) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) dropKeymap();
    // The byte after the type is the XKB event's own subtype.
    else if (type == xkbFirstEvent_ && (event->pad0 == xkbNewKeyboardNotify || event->pad0 == xkbMapNotify))
        dropKeymap();
    return false;
}

} // namespace quorvane
