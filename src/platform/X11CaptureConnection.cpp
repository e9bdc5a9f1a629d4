#include "platform/X11CaptureConnection.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>
#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quorvane {

std::unique_ptr<X11CaptureConnection> X11CaptureConnection::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
        if (connection != nullptr) xcb_disconnect(connection);
        return nullptr;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return nullptr;
    }

    std::unique_ptr<X11CaptureConnection> result(new X11CaptureConnection);
    result->connection_ = connection;
    result->root_ = screens.data->root;
    result->screenNumber_ = screenNumber;
    result->rootDepth_ = screens.data->root_depth;

    // Extensions, queried in one round trip.
    xcb_prefetch_extension_data(connection, &xcb_composite_id);
    xcb_prefetch_extension_data(connection, &xcb_shm_id);
    xcb_prefetch_extension_data(connection, &xcb_randr_id);
    xcb_prefetch_extension_data(connection, &xcb_damage_id);
    xcb_prefetch_extension_data(connection, &xcb_xfixes_id);
    const auto present = [connection](xcb_extension_t* id) {
        const auto* data = xcb_get_extension_data(connection, id);
        return data != nullptr && data->present != 0;
    };
    const bool composite = present(&xcb_composite_id), shm = present(&xcb_shm_id),
               randr = present(&xcb_randr_id), damage = present(&xcb_damage_id),
               xfixes = present(&xcb_xfixes_id);
    const auto compositeCookie =
        composite ? xcb_composite_query_version(connection, 0, 4) : xcb_composite_query_version_cookie_t{};
    const auto shmCookie = shm ? xcb_shm_query_version(connection) : xcb_shm_query_version_cookie_t{};
    const auto randrCookie =
        randr ? xcb_randr_query_version(connection, 1, 5) : xcb_randr_query_version_cookie_t{};
    // Damage answers nothing before its version is asked.
    const auto damageCookie =
        damage ? xcb_damage_query_version(connection, 1, 1) : xcb_damage_query_version_cookie_t{};
    const auto xfixesCookie =
        xfixes ? xcb_xfixes_query_version(connection, 2, 0) : xcb_xfixes_query_version_cookie_t{};
    if (composite) {
        auto* reply = xcb_composite_query_version_reply(connection, compositeCookie, nullptr);
        // NameWindowPixmap and manual redirection need 0.2.
        result->composite_ = reply != nullptr && (reply->major_version > 0 || reply->minor_version >= 2);
        std::free(reply);
    }
    if (shm) {
        auto* reply = xcb_shm_query_version_reply(connection, shmCookie, nullptr);
        result->shmFds_ = reply != nullptr && (reply->major_version > 1 ||
                                               (reply->major_version == 1 && reply->minor_version >= 2));
        std::free(reply);
    }
    if (damage) {
        auto* reply = xcb_damage_query_version_reply(connection, damageCookie, nullptr);
        result->damage_ = reply != nullptr && (reply->major_version > 1 || reply->minor_version >= 1);
        result->damageFirstEvent_ = xcb_get_extension_data(connection, &xcb_damage_id)->first_event;
        std::free(reply);
    }
    if (xfixes) {
        auto* reply = xcb_xfixes_query_version_reply(connection, xfixesCookie, nullptr);
        if (reply != nullptr && reply->major_version >= 1) {
            result->selectionNotify_ =
                static_cast<std::uint8_t>(xcb_get_extension_data(connection, &xcb_xfixes_id)->first_event +
                                          XCB_XFIXES_SELECTION_NOTIFY);
            const std::uint32_t selection = result->atom("_NET_WM_CM_S" + std::to_string(screenNumber));
            if (selection != XCB_ATOM_NONE)
                xcb_xfixes_select_selection_input(
                    connection, result->root_, selection,
                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
        std::free(reply);
    }
    if (randr) {
        auto* reply = xcb_randr_query_version_reply(connection, randrCookie, nullptr);
        if (reply != nullptr && reply->major_version == 1)
            result->randrMinor_ = static_cast<int>(reply->minor_version);
        std::free(reply);
    }
    return result;
}

X11CaptureConnection::~X11CaptureConnection() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

QRect X11CaptureConnection::rootGeometry() const {
    auto* reply = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, root_), nullptr);
    if (reply == nullptr) return {};
    const QRect geometry(0, 0, reply->width, reply->height);
    std::free(reply);
    return geometry;
}

bool X11CaptureConnection::broken() const {
    return xcb_connection_has_error(connection_) != 0;
}

std::uint32_t X11CaptureConnection::compositingManager() {
    const std::uint32_t selection = atom("_NET_WM_CM_S" + std::to_string(screenNumber_));
    if (selection == XCB_ATOM_NONE) return 0;
    auto* reply =
        xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection), nullptr);
    const std::uint32_t owner = reply != nullptr ? reply->owner : 0;
    std::free(reply);
    return owner;
}

std::uint64_t X11CaptureConnection::compositingManagerChanges() {
    const std::uint32_t owner = compositingManager();
    // The server's reports of the change come before its answer.
    readEvents();
    if (owner != lastManager_) {
        lastManager_ = owner;
        ++managerChanges_;
    }
    return managerChanges_;
}

bool X11CaptureConnection::readableDepth(int depth) const {
    if (depth != 24 && depth != 32) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    // Pixels are read as little-endian words on the host.
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || std::endian::native != std::endian::little)
        return false;
    auto formats = xcb_setup_pixmap_formats_iterator(setup);
    for (; formats.rem > 0; xcb_format_next(&formats))
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel == 32 && formats.data->scanline_pad == 32;
    return false;
}

std::uint32_t X11CaptureConnection::atom(const std::string& name) {
    if (const auto found = atoms_.find(name); found != atoms_.end()) return found->second;
    auto* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr);
    const std::uint32_t value = reply != nullptr ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
    std::free(reply);
    if (value != XCB_ATOM_NONE) atoms_.emplace(name, value);
    return value;
}

QString X11CaptureConnection::atomName(std::uint32_t atom) {
    if (const auto found = atomNames_.find(atom); found != atomNames_.end()) return found->second;
    auto* reply = xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr);
    if (reply == nullptr) return {};
    const QString name =
        QString::fromUtf8(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    std::free(reply);
    // An atom names the same string for the server's life.
    atomNames_.emplace(atom, name);
    return name;
}

void X11CaptureConnection::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    readEvents();
}

std::uint32_t X11CaptureConnection::settle() {
    const auto cookie = xcb_get_input_focus(connection_);
    std::free(xcb_get_input_focus_reply(connection_, cookie, nullptr));
    return cookie.sequence;
}

std::uint32_t X11CaptureConnection::mark() {
    const auto cookie = xcb_no_operation(connection_);
    xcb_flush(connection_);
    return cookie.sequence;
}

int X11CaptureConnection::fileDescriptor() const {
    return xcb_get_file_descriptor(connection_);
}

void X11CaptureConnection::readEvents() {
    // No events are selected here but DAMAGE's and the compositing manager's selection's; the
    // rest are errors of unchecked requests (a window destroyed before it was put back, say),
    // which need no answer.
    const auto notify = static_cast<std::uint8_t>(damageFirstEvent_ + XCB_DAMAGE_NOTIFY);
    while (auto* event = xcb_poll_for_event(connection_)) {
        if (selectionNotify_ != 0 && (event->response_type & 0x7f) == selectionNotify_) ++managerChanges_;
        if (damage_ && (event->response_type & 0x7f) == notify) {
            const auto* report = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            const auto watch = damaged_.find(report->damage);
            // Sequence numbers wrap around. Only the server paints a window's border, which lies
            // above and left of its origin: when it redirects a window with a border, it reports
            // the whole window painted, on its own time.
            if (watch != damaged_.end() && report->area.x >= 0 && report->area.y >= 0 &&
                (!watch->second.from ||
                 static_cast<std::int32_t>(event->full_sequence - *watch->second.from) >= 0)) {
                watch->second.painted +=
                    QRect(report->area.x, report->area.y, report->area.width, report->area.height);
                for (auto& [id, other] : damaged_)
                    if (std::find(other.triggers.begin(), other.triggers.end(), report->damage) !=
                        other.triggers.end()) {
                        other.painted = QRegion();
                        ++other.restarts;
                    }
            }
        }
        std::free(event);
    }
}

void X11CaptureConnection::watchDamage(std::uint32_t damage) {
    damaged_[damage] = Damage{};
}

void X11CaptureConnection::forgetDamage(std::uint32_t damage) {
    damaged_.erase(damage);
}

void X11CaptureConnection::restartDamage(std::uint32_t damage, std::uint32_t from) {
    const auto found = damaged_.find(damage);
    if (found == damaged_.end()) return;
    found->second.painted = QRegion();
    found->second.from = from;
}

void X11CaptureConnection::restartDamageOn(std::uint32_t damage, std::vector<std::uint32_t> triggers) {
    if (const auto found = damaged_.find(damage); found != damaged_.end())
        found->second.triggers = std::move(triggers);
}

std::uint64_t X11CaptureConnection::damageRestarts(std::uint32_t damage) const {
    const auto found = damaged_.find(damage);
    return found != damaged_.end() ? found->second.restarts : 0;
}

QRegion X11CaptureConnection::takeDamage(std::uint32_t damage) {
    readEvents();
    const auto found = damaged_.find(damage);
    if (found == damaged_.end()) return {};
    return std::exchange(found->second.painted, QRegion());
}

} // namespace quorvane
