#include "platform/X11InputConnection.h"

#include "platform/X11CaptureReply.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

namespace quorvane {
namespace {

// A posted click whose raw event has not come back by then never will (the server dropped it).
constexpr auto pendingLifetime = std::chrono::milliseconds(1000);

} // namespace

std::unique_ptr<X11InputConnection> X11InputConnection::open() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        if (c != nullptr) xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<X11InputConnection> connection(new X11InputConnection());
    connection->connection_ = c;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    connection->root_ = it.data != nullptr ? it.data->root : 0;

    const auto* xtest = xcb_get_extension_data(c, &xcb_test_id);
    connection->xtest_ = xtest != nullptr && xtest->present;
    const auto* xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (xinput != nullptr && xinput->present) {
        X11Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
        if (version &&
            (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 2)))
            connection->xinputOpcode_ = xinput->major_opcode;
    }
    if (connection->xinputOpcode_ != 0) {
        X11Reply<xcb_input_xi_query_device_reply_t> devices(
            xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr));
        if (devices)
            for (auto d = xcb_input_xi_query_device_infos_iterator(devices.get()); d.rem > 0;
                 xcb_input_xi_device_info_next(&d)) {
                const std::string name(
                    xcb_input_xi_device_info_name(d.data),
                    static_cast<std::size_t>(xcb_input_xi_device_info_name_length(d.data)));
                if (name.find("XTEST") != std::string::npos)
                    connection->xtestDevices_.push_back(d.data->deviceid);
            }
    }

    auto* raw = connection.get();
    connection->notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(connection->notifier_.get(), &QSocketNotifier::activated, raw,
                     [raw] { raw->dispatch(); });
    // A round trip of ours reads whatever events came with it into xcb's queue, where the socket
    // notifier never sees them: hand them out before the event loop sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, raw,
                         [raw] { raw->dispatchQueued(); });
    return connection;
}

X11InputConnection::~X11InputConnection() {
    notifier_.reset();
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

bool X11InputConnection::isXTestDevice(std::uint16_t device) const {
    return std::find(xtestDevices_.begin(), xtestDevices_.end(), device) != xtestDevices_.end();
}

bool X11InputConnection::broken() const {
    return connection_ == nullptr || xcb_connection_has_error(connection_) != 0;
}

int X11InputConnection::addListener(std::function<bool(const void*)> listener) {
    listeners_.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

void X11InputConnection::removeListener(int id) {
    listeners_.erase(id);
}

void X11InputConnection::dispatch() {
    if (broken()) {
        // A dead connection stays readable forever: stop watching it.
        if (notifier_) notifier_->setEnabled(false);
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
        deliver(event);
}

void X11InputConnection::dispatchQueued() {
    if (broken()) return;
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_))
        deliver(event);
}

void X11InputConnection::deliver(void* raw) {
    auto* event = static_cast<xcb_generic_event_t*>(raw);
    X11Reply<xcb_generic_event_t> owned(event);
    // A listener may remove listeners (or itself): walk a copy of the ids.
    std::vector<int> ids;
    for (const auto& [id, listener] : listeners_)
        ids.push_back(id);
    for (int id : ids) {
        const auto it = listeners_.find(id);
        if (it == listeners_.end()) continue;
        const auto listener = it->second;
        if (listener(event)) break;
    }
}

namespace {

void selectRawInput(xcb_connection_t* c, std::uint32_t root, bool on) {
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                              XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                              XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE | XCB_INPUT_XI_EVENT_MASK_RAW_MOTION)
              : 0u};
    xcb_input_xi_select_events(c, root, 1, &mask.head);
}

} // namespace

void X11InputConnection::retainRawInput() {
    if (rawInputUsers_++ == 0 && !broken() && hasXInput2()) {
        selectRawInput(connection_, root_, true);
        // Events already on their way belong to the time before.
        sync();
        dispatch();
    }
}

void X11InputConnection::releaseRawInput() {
    if (rawInputUsers_ == 0) return;
    if (--rawInputUsers_ == 0 && !broken() && hasXInput2()) {
        selectRawInput(connection_, root_, false);
        xcb_flush(connection_);
    }
}

std::uint32_t X11InputConnection::sync() {
    if (broken()) return 0;
    const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(connection_);
    std::free(xcb_get_input_focus_reply(connection_, cookie, nullptr));
    return cookie.sequence;
}

std::optional<X11InputConnection::Pointer> X11InputConnection::queryPointer() const {
    if (broken()) return std::nullopt;
    X11Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr));
    if (!reply) return std::nullopt;
    return Pointer{QPoint(reply->root_x, reply->root_y), reply->mask, reply->child};
}

void X11InputConnection::notePostedClicks(int count) {
    const auto now = std::chrono::steady_clock::now();
    if (now - pendingSince_ > pendingLifetime) pendingClicks_ = 0;
    pendingClicks_ += count;
    pendingSince_ = now;
}

bool X11InputConnection::takePostedClick(std::uint32_t sequence, std::uint32_t time) {
    if (lastClick_ && lastClick_->sequence == sequence && lastClick_->time == time) return lastClick_->ours;
    bool ours = false;
    if (pendingClicks_ <= 0 || std::chrono::steady_clock::now() - pendingSince_ > pendingLifetime) {
        pendingClicks_ = 0;
    } else {
        --pendingClicks_;
        ours = true;
    }
    lastClick_ = ClickAnswer{sequence, time, ours};
    return ours;
}

} // namespace quorvane
