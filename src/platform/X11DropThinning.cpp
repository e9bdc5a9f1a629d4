#include "platform/X11DropThinning.h"

#include "platform/QtX11Connection.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

enum Atom { enter, position, leave, drop, mark };

// The message as it was sent: the sequence number is the receiver's.
std::array<char, 32> bytesOf(const xcb_client_message_event_t& event) {
    std::array<char, 32> bytes{};
    std::memcpy(bytes.data(), &event, bytes.size());
    bytes[0] &= 0x7f;
    bytes[2] = bytes[3] = 0;
    return bytes;
}

} // namespace

X11DropThinning::X11DropThinning() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || QCoreApplication::instance() == nullptr) return;
    constexpr std::array names = {"XdndEnter", "XdndPosition", "XdndLeave", "XdndDrop",
                                  "_QUORVANE_DROP_MARK"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    bool named = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        named = named && reply != nullptr;
        if (reply != nullptr) atoms_[i] = reply->atom;
        std::free(reply);
    }
    if (!named) return;
    letIn_.setSingleShot(true);
    QObject::connect(&letIn_, &QTimer::timeout, [this] { letInLater(); });
    // The filter installed last looks first: installed once start-up has installed the others, it
    // spares them the flood.
    QTimer::singleShot(0, &letIn_, [this] {
        if (QCoreApplication::instance() == nullptr) return;
        QCoreApplication::instance()->installNativeEventFilter(this);
        installed_ = true;
    });
}

X11DropThinning::~X11DropThinning() {
    if (installed_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11DropThinning::sendMark(std::uint32_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atoms_[mark];
    xcb_connection_t* connection = qtX11Connection();
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    markSent_ = seen_;
}

void X11DropThinning::send(const Message& message) {
    xcb_client_message_event_t event{};
    std::memcpy(&event, message.data(), sizeof event);
    xcb_connection_t* connection = qtX11Connection();
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

void X11DropThinning::sendAgain(const Message& message) {
    send(message);
    sentAgain_ = message;
}

void X11DropThinning::keepOut(std::size_t kind, std::uint32_t source, const Message& message) {
    if (kind == enter) {
        forget(source);
        if (keptOut_.size() == keptOutDrags) keptOut_.erase(keptOut_.begin());
        keptOut_.push_back({source, message, std::nullopt});
        if (!letIn_.isActive()) letInLater();
        return;
    }
    const auto kept = std::find_if(keptOut_.begin(), keptOut_.end(),
                                   [source](const KeptOut& drag) { return drag.source == source; });
    if (kept == keptOut_.end()) return;
    if (kind == position)
        kept->position = message;
    else // It left or dropped without us: nothing waits for an answer.
        keptOut_.erase(kept);
}

void X11DropThinning::forget(std::uint32_t source) {
    std::erase_if(keptOut_, [source](const KeptOut& drag) { return drag.source == source; });
}

void X11DropThinning::letInLater() {
    if (keptOut_.empty()) return;
    const KeptOut latest = keptOut_.back();
    // Qt takes every position queued behind the one it handles and answers only the last: a drag let
    // in while others still send would lose its answer to theirs.
    const auto wait =
        std::max(thinning_.enterFreeAt(latest.source), keptAt_ + DropMessageThinning::rest) - Clock::now();
    if (wait > Clock::duration::zero()) {
        letIn_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
        return;
    }
    keptOut_.pop_back();
    // Sent in order, they come back behind what is queued now, and go their way as any drag's.
    send(latest.enter);
    if (latest.position) send(*latest.position);
    // The next waits until this drag is over, or its source falls silent.
    if (!keptOut_.empty()) letIn_.start(DropMessageThinning::silence);
}

bool X11DropThinning::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    // Every event of the program passes here: the common ones leave at the first look.
    ++seen_;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE || type != "xcb_generic_event_t") return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32) return false;
    const auto kind =
        static_cast<std::size_t>(std::find(atoms_.begin(), atoms_.end(), client->type) - atoms_.begin());
    if (kind >= atoms_.size()) return false;
    if (kind == mark) {
        if (!markSent_ || client->data.data32[0] != 0) return true;
        const std::uint64_t ahead = seen_ - *std::exchange(markSent_, std::nullopt);
        // The waiting position goes behind what is queued now, or waits for the next mark.
        if (waiting_ && ahead <= longQueue)
            sendAgain(*std::exchange(waiting_, std::nullopt));
        else if (waiting_)
            sendMark(client->window);
        return true;
    }
    const Clock::time_point now = Clock::now();
    const std::uint32_t source = client->data.data32[0];
    if (kind == position && sentAgain_ && *sentAgain_ == bytesOf(*client)) {
        sentAgain_.reset();
        return !thinning_.admit(DropMessageThinning::Message::position, source, now);
    }
    constexpr std::array kinds = {DropMessageThinning::Message::enter, DropMessageThinning::Message::position,
                                  DropMessageThinning::Message::leave, DropMessageThinning::Message::drop};
    if (!thinning_.admit(kinds[kind], source, now)) {
        keptAt_ = now;
        keepOut(kind, source, bytesOf(*client));
        return true;
    }
    if (!keptOut_.empty()) {
        forget(source);
        // The followed drag is over: the latest kept one may enter after the rest.
        if (kind == leave || kind == drop) letInLater();
    }
    if (kind == position) {
        waiting_ = bytesOf(*client);
        if (!markSent_) sendMark(client->window);
        return true;
    }
    // The drag entered again, left or dropped: what waited is over.
    waiting_.reset();
    return false;
}

} // namespace quorvane
