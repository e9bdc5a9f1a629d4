#include "platform/X11SelectionDrain.h"

#include "core/Log.h"
#include "platform/ConnectionSlots.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

ConnectionSlots& places() {
    static ConnectionSlots slots(
        X11SelectionDrain::mostAtOnce,
        "Other programs' transfers that Quorvane gave up are abandoned, not finished: as "
        "many as it lets finish are running");
    return slots;
}

} // namespace

bool X11SelectionDrain::reserve() {
    return places().tryTake();
}

void X11SelectionDrain::unreserve() {
    places().give();
}

void X11SelectionDrain::start(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                              std::uint32_t holder, std::chrono::milliseconds silence) {
    if (QCoreApplication::instance() == nullptr) {
        abandon(connection, window, property);
        unreserve();
        return;
    }
    // Parented to the application, so that one still running at the end is closed with it.
    new X11SelectionDrain(connection, window, property, holder, silence);
}

void X11SelectionDrain::abandon(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property) {
    xcb_delete_property(connection, window, property);
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    xcb_disconnect(connection);
}

X11SelectionDrain::X11SelectionDrain(xcb_connection_t* connection, std::uint32_t window,
                                     std::uint32_t property, std::uint32_t holder,
                                     std::chrono::milliseconds silence)
    : QObject(QCoreApplication::instance()), connection_(connection), window_(window), property_(property),
      holder_(holder) {
    silence_.setSingleShot(true);
    silence_.setInterval(silence);
    connect(&silence_, &QTimer::timeout, this, &QObject::deleteLater);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &X11SelectionDrain::giveUp);
    deadline_.start(2 * silence);
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11SelectionDrain::readEvents);
    // The piece the holder wrote last is waiting for us; notices that came meanwhile may be
    // queued already, where the socket's notifier cannot see them.
    take();
    readEvents();
}

X11SelectionDrain::~X11SelectionDrain() {
    notifier_.reset();
    if (abandoned_)
        abandon(connection_, window_, property_);
    else
        xcb_disconnect(connection_);
    unreserve();
}

void X11SelectionDrain::take() {
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
    silence_.start();
}

void X11SelectionDrain::readEvents() {
    bool holderGone = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const int kind = event->response_type & 0x7f;
        const auto* notice = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const auto* answer = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        // An answer that came after we gave up, or the next piece.
        if ((kind == XCB_SELECTION_NOTIFY && answer->requestor == window_ && answer->property != XCB_NONE) ||
            (kind == XCB_PROPERTY_NOTIFY && notice->window == window_ && notice->atom == property_ &&
             notice->state == XCB_PROPERTY_NEW_VALUE))
            take();
        if (kind == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == holder_)
            holderGone = true;
        std::free(event);
    }
    if (holderGone || xcb_connection_has_error(connection_) != 0) {
        notifier_->setEnabled(false);
        deleteLater();
    }
}

void X11SelectionDrain::giveUp() {
    static bool told = false;
    if (!std::exchange(told, true))
        Log::app().error("Another program went on sending a transfer that Quorvane gave up for {} ms; it is "
                         "abandoned, not finished",
                         deadline_.interval());
    abandoned_ = true;
    notifier_->setEnabled(false);
    deleteLater();
}

} // namespace quorvane
