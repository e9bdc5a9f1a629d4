#include "platform/X11DamageWatch.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace quorvane {

X11DamageWatch::X11DamageWatch(X11CaptureConnection& connection, std::uint32_t drawable)
    : connection_(connection) {
    if (connection.broken() || !connection.hasDamage()) return;
    damage_ = xcb_generate_id(connection.xcb());
    xcb_damage_create(connection.xcb(), damage_, drawable, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    connection.watchDamage(damage_);
}

X11DamageWatch::~X11DamageWatch() {
    if (damage_ == 0) return;
    connection_.forgetDamage(damage_);
    if (connection_.broken()) return;
    xcb_damage_destroy(connection_.xcb(), damage_);
    xcb_flush(connection_.xcb());
}

void X11DamageWatch::restart(std::uint32_t from) {
    if (damage_ == 0) return;
    connection_.restartDamage(damage_, from);
    painted_ = QRegion();
}

bool X11DamageWatch::covers(const QRegion& region) {
    if (damage_ == 0 || connection_.broken()) return true;
    return (region - painted()).isEmpty();
}

QRegion X11DamageWatch::painted() {
    if (damage_ == 0 || connection_.broken()) return painted_;
    xcb_flush(connection_.xcb());
    painted_ += connection_.takeDamage(damage_);
    return painted_;
}

} // namespace quorvane
