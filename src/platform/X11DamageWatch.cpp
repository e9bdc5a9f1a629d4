#include "platform/X11DamageWatch.h"

#include <utility>
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
    fresh_ = QRegion();
}

bool X11DamageWatch::covers(const QRegion& region) {
    if (damage_ == 0 || connection_.broken()) return true;
    return (region - painted()).isEmpty();
}

QRegion X11DamageWatch::painted() {
    if (damage_ == 0 || connection_.broken()) return painted_;
    xcb_flush(connection_.xcb());
    const QRegion taken = connection_.takeDamage(damage_);
    if (const std::uint64_t restarts = connection_.damageRestarts(damage_); restarts != restarts_) {
        // What was taken before lies before a trigger's painting.
        restarts_ = restarts;
        painted_ = QRegion();
        fresh_ = QRegion();
    }
    painted_ += taken;
    fresh_ += taken;
    return painted_;
}

bool X11DamageWatch::coveredSoFar(const QRegion& region) const {
    return damage_ == 0 || (region - painted_).isEmpty();
}

QRegion X11DamageWatch::freshlyPainted() {
    painted();
    return std::exchange(fresh_, QRegion());
}

void X11DamageWatch::restartOnPaintingOf(const std::vector<const X11DamageWatch*>& triggers) {
    if (damage_ == 0) return;
    std::vector<std::uint32_t> damages;
    for (const X11DamageWatch* trigger : triggers)
        if (trigger->damage_ != 0) damages.push_back(trigger->damage_);
    connection_.restartDamageOn(damage_, std::move(damages));
}

void X11DamageWatch::stopRestarting() {
    if (damage_ != 0) connection_.restartDamageOn(damage_, {});
}

} // namespace quorvane
