#pragma once

#include "platform/KeyboardLayout.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace quorvane {

// The X server's layout, read through xkbcommon on Qt's own connection; it types nothing without
// an X display. The keymap is compiled once and kept until the server reports a new keyboard or
// mapping; the active layout group is asked for on every lookup, so switching layouts shows at once.
class X11KeyboardLayout final : public KeyboardLayout, private QAbstractNativeEventFilter {
public:
    X11KeyboardLayout() = default;
    ~X11KeyboardLayout() override;
    X11KeyboardLayout(const X11KeyboardLayout&) = delete;
    X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

    std::optional<QString> text(std::uint32_t x11Keycode) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool prepare(xcb_connection_t* connection);
    void dropKeymap();

    xcb_connection_t* connection_ = nullptr;
    QPointer<QCoreApplication> application_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::int32_t device_ = -1;
    std::uint8_t xkbFirstEvent_ = 0;
};

} // namespace quorvane
