#include "platform/X11DropThinning.h"

#include "platform/QtX11Connection.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>
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

void sendTo(xcb_window_t window, const xcb_client_message_event_t& event) {
    xcb_connection_t* connection = qtX11Connection();
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

} // namespace

X11DropThinning::X11DropThinning() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || QCoreApplication::instance() == nullptr) return;
    constexpr std::array names = {"XdndEnter",           "XdndPosition", "XdndLeave",    "XdndDrop",
                                  "_QUORVANE_DROP_MARK", "XdndStatus",   "XdndFinished", "XdndActionCopy"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    bool named = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        named = named && reply != nullptr;
        if (reply != nullptr)
            (i < atoms_.size()                     ? atoms_[i]
             : i < atoms_.size() + answers_.size() ? answers_[i - atoms_.size()]
                                                   : copyAction_) = reply->atom;
        std::free(reply);
    }
    if (!named) return;
    markWindow_ = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, markWindow_,
                      xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection);
    markLost_.setSingleShot(true);
    QObject::connect(&markLost_, &QTimer::timeout, [this] { markLost(); });
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
    if (xcb_connection_t* connection = qtX11Connection(); connection != nullptr && markWindow_ != 0) {
        xcb_destroy_window(connection, markWindow_);
        xcb_flush(connection);
    }
}

bool X11DropThinning::ours(std::uint32_t window) {
    // A window Qt has not made natively has no id yet, and asking for one would make it.
    const QWindowList windows = QGuiApplication::allWindows();
    return window != 0 && std::any_of(windows.begin(), windows.end(), [window](const QWindow* each) {
               return each->handle() != nullptr && each->winId() == window;
           });
}

void X11DropThinning::forgetGone() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr) return;
    const std::vector<KeptOutDrags::Drag> drags = keptOut_.waiting();
    // Asked all at once, and answered by the server alone, so that a gone window costs no error
    // event and all of them one round trip.
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(drags.size());
    for (const KeptOutDrags::Drag& drag : drags)
        cookies.push_back(xcb_get_window_attributes(connection, drag.source));
    for (std::size_t i = 0; i < drags.size(); ++i) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_window_attributes_reply_t* reply =
            xcb_get_window_attributes_reply(connection, cookies[i], &error);
        if (reply == nullptr || !ours(drags[i].window)) keptOut_.forget(drags[i].source);
        std::free(reply);
        std::free(error);
    }
}

std::optional<X11DropThinning::Message> X11DropThinning::positionOver(const KeptOutDrags::Drag& drag) const {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr) return std::nullopt;
    xcb_get_geometry_reply_t* shape =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, drag.window), nullptr);
    if (shape == nullptr) return std::nullopt;
    xcb_translate_coordinates_reply_t* middle = xcb_translate_coordinates_reply(
        connection,
        xcb_translate_coordinates(connection, drag.window, shape->root,
                                  static_cast<std::int16_t>(shape->width / 2),
                                  static_cast<std::int16_t>(shape->height / 2)),
        nullptr);
    std::free(shape);
    if (middle == nullptr) return std::nullopt;
    const auto x = static_cast<std::uint32_t>(std::clamp<int>(middle->dst_x, 0, 0xffff));
    const auto y = static_cast<std::uint32_t>(std::clamp<int>(middle->dst_y, 0, 0xffff));
    std::free(middle);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = drag.window;
    event.type = atoms_[position];
    event.data.data32[0] = drag.source;
    event.data.data32[2] = x << 16 | y;
    event.data.data32[3] = XCB_CURRENT_TIME;
    event.data.data32[4] = copyAction_;
    return bytesOf(event);
}

void X11DropThinning::sendMark() {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = markWindow_;
    message.type = atoms_[mark];
    message.data.data32[1] = ++marks_;
    sendTo(markWindow_, message);
    markSent_ = seen_;
    markLost_.start(markPatience);
}

void X11DropThinning::markCameBack(std::uint32_t window, std::uint32_t number) {
    // Another's mark, or one we stopped waiting for, measures nothing.
    if (!markSent_ || window != markWindow_ || number != marks_) return;
    markLost_.stop();
    const std::uint64_t ahead = seen_ - *std::exchange(markSent_, std::nullopt);
    // The waiting position goes behind what is queued now, or waits for the next mark.
    if (waiting_ && ahead <= longQueue)
        sendAgain(*std::exchange(waiting_, std::nullopt));
    else if (waiting_)
        sendMark();
}

void X11DropThinning::markLost() {
    if (!std::exchange(markSent_, std::nullopt)) return;
    if (waiting_) sendAgain(*std::exchange(waiting_, std::nullopt));
}

void X11DropThinning::send(const Message& message) {
    xcb_client_message_event_t event{};
    std::memcpy(&event, message.data(), sizeof event);
    sendTo(event.window, event);
}

void X11DropThinning::sendAgain(const Message& message) {
    send(message);
    sentAgain_ = message;
}

void X11DropThinning::keepOut(std::size_t kind, std::uint32_t source, std::uint32_t window,
                              const Message& message, Clock::time_point now) {
    keptAt_ = now;
    if (thinning_.followed() != 0) followed_.contested = true;
    if (source != 0 && kind == enter)
        keptOut_.entered(source, window, message, now);
    else if (source != 0 && kind == position)
        keptOut_.moved(source, window, message);
    else if (source != 0)
        keptOut_.ended(source, window);
    if (!letIn_.isActive()) letInLater();
}

bool X11DropThinning::followedContested() const {
    return thinning_.followed() != 0 && thinning_.followed() == followed_.drag.source && followed_.contested;
}

// The followed drag, which may have lost its answer, waits with those kept out.
void X11DropThinning::waitAgain() {
    if (followed_.drag.source != 0 && followed_.contested) keptOut_.wait(followed_.drag);
    followed_.contested = false;
}

void X11DropThinning::letInLater() {
    const Clock::time_point now = Clock::now();
    const Clock::time_point quiet = keptAt_ + DropMessageThinning::rest;
    if (followedContested() && (now >= quiet || now >= thinning_.letInFreeAt())) {
        // Room first, where drags whose sources are gone (as a flood's can be) take it.
        forgetGone();
        waitAgain();
        thinning_.unfollow();
        followed_ = {};
        waiting_.reset();
    }
    const KeptOutDrags::Drag* next = keptOut_.oldest();
    if (next == nullptr) {
        // The followed drag is looked at again once the others are quiet or it fell silent.
        if (followedContested())
            letIn_.start(
                std::chrono::ceil<std::chrono::milliseconds>(std::min(quiet, thinning_.letInFreeAt()) - now));
        return;
    }
    // Qt takes every position queued behind the one it handles and answers only the last: a drag
    // let in while others still send would lose its answer to theirs.
    const auto wait = std::max(thinning_.letInFreeAt(), quiet) - now;
    if (wait > Clock::duration::zero()) {
        letIn_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
        return;
    }
    forgetGone();
    next = keptOut_.oldest();
    if (next == nullptr) return;
    // Sent in order, they come back behind what is queued now, and go their way as any drag's; the
    // queue is short, so the position goes on to Qt without a mark.
    lettingIn_ = next->enter;
    send(next->enter);
    if (const std::optional<Message> moved = next->position ? next->position : positionOver(*next))
        sendAgain(*moved);
    // The next waits until this drag is over or fell silent; so does this one, if it was lost.
    letIn_.start(DropMessageThinning::silence);
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
    if (kind >= atoms_.size())
        return std::find(answers_.begin(), answers_.end(), client->type) != answers_.end() &&
               ours(client->window);
    if (kind == mark) {
        if (client->data.data32[0] == 0) markCameBack(client->window, client->data.data32[1]);
        return true;
    }
    return !handOn(kind, message);
}

bool X11DropThinning::handOn(std::size_t kind, const void* message) {
    const auto& client = *static_cast<const xcb_client_message_event_t*>(message);
    // Qt ignores a message naming a window it does not know: it counts for nothing here either.
    if (!ours(client.window)) return true;
    const Clock::time_point now = Clock::now();
    const std::uint32_t source = client.data.data32[0];
    const Message bytes = bytesOf(client);
    if (kind == position && sentAgain_ && *sentAgain_ == bytes) {
        sentAgain_.reset();
        return thinning_.admit(DropMessageThinning::Message::position, source, now);
    }
    const std::uint32_t before = thinning_.followed();
    bool admitted = false;
    if (kind == enter && lettingIn_ && *lettingIn_ == bytes) {
        lettingIn_.reset();
        admitted = thinning_.letIn(source, now);
        // Something else entered first: it waits on, in its place.
        if (!admitted) {
            letInLater();
            return false;
        }
    } else {
        // The followed drag's messages name the window it entered.
        if (kind != enter && source != 0 && source == before && client.window != followed_.drag.window)
            return false;
        constexpr std::array kinds = {
            DropMessageThinning::Message::enter, DropMessageThinning::Message::position,
            DropMessageThinning::Message::leave, DropMessageThinning::Message::drop};
        admitted = thinning_.admit(kinds[kind], source, now);
    }
    if (!admitted) {
        keepOut(kind, source, client.window, bytes, now);
        return false;
    }
    if (kind == enter) {
        // One that fell silent before it was answered waits for its turn again.
        if (before != 0 && before != source && before == followed_.drag.source) waitAgain();
        const bool contested = before == source && followed_.contested;
        followed_ = {KeptOutDrags::Drag{source, client.window, bytes, std::nullopt, now}, contested};
    }
    // Heard from once the others were quiet, it is answered as any drag.
    if (now >= keptAt_ + DropMessageThinning::rest) followed_.contested = false;
    keptOut_.forget(source);
    if (kind == leave || kind == drop) {
        followed_ = {};
        // The followed drag is over: the one kept longest may enter.
        letInLater();
    }
    if (kind == position) {
        followed_.drag.position = bytes;
        waiting_ = bytes;
        if (!markSent_) sendMark();
        return false;
    }
    // The drag entered again, left or dropped: what waited is over.
    waiting_.reset();
    return true;
}

} // namespace quorvane
