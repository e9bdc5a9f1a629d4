#include "platform/X11DamageWatch.h"

#include <cstdlib>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace quorvane {

X11DamageWatch::X11DamageWatch(X11CaptureConnection& connection, std::uint32_t drawable)
    : connection_(connection) {
    if (connection.broken() || !connection.hasDamage()) return;
    damage_ = xcb_generate_id(connection.xcb());
    xcb_damage_create(connection.xcb(), damage_, drawable, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
}

X11DamageWatch::~X11DamageWatch() {
    if (damage_ == 0 || connection_.broken()) return;
    xcb_damage_destroy(connection_.xcb(), damage_);
    xcb_flush(connection_.xcb());
}

bool X11DamageWatch::covers(const QRegion& region) {
    if (damage_ == 0 || connection_.broken()) return true;
    xcb_connection_t* c = connection_.xcb();
    xcb_flush(c);
    const auto notify = static_cast<std::uint8_t>(connection_.damageFirstEvent() + XCB_DAMAGE_NOTIFY);
    while (auto* event = xcb_poll_for_event(c)) {
        if ((event->response_type & 0x7f) == notify) {
            const auto* damage = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            if (damage->damage == damage_)
                painted_ += QRect(damage->area.x, damage->area.y, damage->area.width, damage->area.height);
        }
        std::free(event);
    }
    return (region - painted_).isEmpty();
}

} // namespace quorvane
