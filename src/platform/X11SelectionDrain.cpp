#include "platform/X11SelectionDrain.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane {

void X11SelectionDrain::start(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                              std::chrono::milliseconds silence) {
    if (QCoreApplication::instance() == nullptr) {
        xcb_disconnect(connection);
        return;
    }
    // Parented to the application, so that one still running at the end is closed with it.
    new X11SelectionDrain(connection, window, property, silence);
}

X11SelectionDrain::X11SelectionDrain(xcb_connection_t* connection, std::uint32_t window,
                                     std::uint32_t property, std::chrono::milliseconds silence)
    : QObject(QCoreApplication::instance()), connection_(connection), window_(window), property_(property) {
    silence_.setSingleShot(true);
    silence_.setInterval(silence);
    connect(&silence_, &QTimer::timeout, this, &QObject::deleteLater);
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
    xcb_disconnect(connection_);
}

void X11SelectionDrain::take() {
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
    silence_.start();
}

void X11SelectionDrain::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const auto* notice = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && notice->window == window_ &&
            notice->atom == property_ && notice->state == XCB_PROPERTY_NEW_VALUE)
            take();
        std::free(event);
    }
    if (xcb_connection_has_error(connection_) != 0) {
        notifier_->setEnabled(false);
        deleteLater();
    }
}

} // namespace quorvane
