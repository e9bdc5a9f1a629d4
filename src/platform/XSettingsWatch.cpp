#include "platform/XSettingsWatch.h"

#include "platform/X11CaptureReply.h"
#include "platform/XSettingsBlob.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <string>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

// Far more than any desktop publishes; a larger list is not read.
constexpr std::uint32_t maxSettingsBytes = 1 << 20;

std::uint32_t atom(xcb_connection_t* connection, const std::string& name) {
    X11Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : 0;
}

} // namespace

std::unique_ptr<XSettingsWatch> XSettingsWatch::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
        if (connection != nullptr) xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<XSettingsWatch> watch(new XSettingsWatch());
    watch->connection_ = connection;
    auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screen.rem > 0; ++i)
        xcb_screen_next(&screen);
    if (screen.data == nullptr) return nullptr;
    watch->root_ = screen.data->root;
    watch->selection_ = atom(connection, "_XSETTINGS_S" + std::to_string(screenNumber));
    watch->settingsAtom_ = atom(connection, "_XSETTINGS_SETTINGS");
    watch->managerAtom_ = atom(connection, "MANAGER");
    // A manager that starts announces itself to the root window's structure listeners.
    const std::uint32_t rootEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, watch->root_, XCB_CW_EVENT_MASK, &rootEvents);

    auto* raw = watch.get();
    watch->notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read);
    connect(watch->notifier_.get(), &QSocketNotifier::activated, raw, [raw] { raw->dispatch(); });
    // Our own round trips read events into xcb's queue, where the socket notifier never sees them.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, raw, [raw] { raw->dispatch(); });
    watch->watchManager();
    return watch;
}

XSettingsWatch::~XSettingsWatch() {
    notifier_.reset();
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

std::optional<std::int32_t> XSettingsWatch::integer(const std::string& name) const {
    const auto found = settings_.find(name);
    if (found == settings_.end()) return std::nullopt;
    return found->second;
}

void XSettingsWatch::watchManager() {
    // Held so that the manager cannot go between asking for it and listening to its window.
    xcb_grab_server(connection_);
    X11Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    owner_ = owner ? owner->owner : 0;
    if (owner_ != 0) {
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, owner_, XCB_CW_EVENT_MASK, &events);
    }
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
    readSettings();
}

void XSettingsWatch::readSettings() {
    settings_.clear();
    if (owner_ != 0) {
        X11Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, owner_, settingsAtom_, settingsAtom_, 0, maxSettingsBytes / 4),
            nullptr));
        if (property && property->format == 8 && property->bytes_after == 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(xcb_get_property_value(property.get()));
            const auto length = static_cast<std::size_t>(xcb_get_property_value_length(property.get()));
            if (auto read = XSettingsBlob::integers({bytes, length})) settings_ = std::move(*read);
        }
    }
    Q_EMIT changed();
}

void XSettingsWatch::dispatch() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

void XSettingsWatch::handle(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* property = static_cast<const xcb_property_notify_event_t*>(raw);
        if (property->window == owner_ && property->atom == settingsAtom_) readSettings();
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (static_cast<const xcb_destroy_notify_event_t*>(raw)->window == owner_) watchManager();
        break;
    case XCB_CLIENT_MESSAGE: {
        const auto* message = static_cast<const xcb_client_message_event_t*>(raw);
        if (message->window == root_ && message->type == managerAtom_ && message->format == 32 &&
            message->data.data32[1] == selection_)
            watchManager();
        break;
    }
    default:
        break;
    }
}

} // namespace quorvane
