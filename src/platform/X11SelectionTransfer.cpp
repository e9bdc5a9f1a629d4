#include "platform/X11SelectionTransfer.h"

#include "platform/ClipboardLimit.h"
#include "platform/ConnectionSlots.h"
#include "platform/X11SelectionDrain.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using Kind = ClipboardReadError::Kind;
using Clock = std::chrono::steady_clock;
using Next = SelectionSink::Next;

constexpr std::int64_t headLength = ClipboardLimit::headLength;
// A holder may write hundreds of megabytes at once: they are read no more than this at a time.
constexpr std::int64_t sliceLength = std::int64_t{1} << 20;
// How often a wait looks whether it was cancelled.
constexpr std::chrono::milliseconds cancelCheck{100};

template<class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<class T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// Property lengths go in 32-bit units, as the protocol counts them.
std::uint32_t units(std::int64_t bytes) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>((bytes + 3) / 4, 1, sliceLength / 4));
}

ConnectionSlots& places() {
    static ConnectionSlots slots(X11SelectionTransfer::mostAtOnce,
                                 "Other programs' clipboard or drag transfers wait until one underway ends");
    return slots;
}

// The connection goes to a drain on the GUI thread, with a place reserved for it; abandoned if the
// application ends first.
void drainLater(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                std::uint32_t holder, std::chrono::milliseconds silence) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        X11SelectionDrain::start(connection, window, property, holder, silence);
        return;
    }
    struct Held {
        Held(xcb_connection_t* given, std::uint32_t givenWindow, std::uint32_t givenProperty)
            : connection(given), window(givenWindow), property(givenProperty) {}
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
        ~Held() {
            if (connection == nullptr) return;
            X11SelectionDrain::abandon(connection, window, property);
            X11SelectionDrain::unreserve();
        }
        xcb_connection_t* connection;
        std::uint32_t window;
        std::uint32_t property;
    };
    auto held = std::make_shared<Held>(connection, window, property);
    QMetaObject::invokeMethod(
        application,
        [held, window, property, holder, silence] {
            X11SelectionDrain::start(std::exchange(held->connection, nullptr), window, property, holder,
                                     silence);
        },
        Qt::QueuedConnection);
}

} // namespace

struct X11SelectionTransfer::Piece {
    Reply<xcb_get_property_reply_t> reply{nullptr, &std::free};

    explicit operator bool() const { return reply != nullptr; }
    std::int64_t length() const { return xcb_get_property_value_length(reply.get()); }
    std::int64_t after() const { return reply->bytes_after; }
    QByteArrayView bytes() const {
        return {static_cast<const char*>(xcb_get_property_value(reply.get())), length()};
    }
};

X11SelectionTransfer::X11SelectionTransfer(const Request& request)
    : selectionName_(request.selection), target_(request.target), time_(request.time),
      silence_(request.silence) {
    placed_ = places().tryTake();
    if (placed_) ask();
}

void X11SelectionTransfer::ask() {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_) != 0) return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) return;

    const QByteArray names[] = {selectionName_, "INCR", "QUORVANE_CLIPBOARD", target_};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(names[i].size()),
                                     names[i].constData());
    xcb_atom_t atoms[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const auto reply = own(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    if (std::find(std::begin(atoms), std::end(atoms), xcb_atom_t{XCB_ATOM_NONE}) != std::end(atoms)) return;
    selection_ = atoms[0];
    incr_ = atoms[1];
    property_ = atoms[2];

    // The holder writes each piece of an incremental transfer once we deleted the last.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, 0, window_, screens.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    xcb_convert_selection(connection_, window_, selection_, atoms[3], property_, time_);
    // A round trip: the server has the request before the caller goes on (a drag's source may stop
    // serving once told that the drop is over).
    const auto owner = own(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    // Its window's end tells that nothing more will come, sooner than its silence. Checked in
    // receive(), off the GUI thread: a holder may quit before we watch it, and then tells nothing.
    holder_ = owner ? owner->owner : xcb_window_t{XCB_NONE};
    if (holder_ != XCB_NONE) {
        const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        const xcb_void_cookie_t watch =
            xcb_change_window_attributes_checked(connection_, holder_, XCB_CW_EVENT_MASK, &structure);
        watch_ = watch.sequence;
        xcb_flush(connection_);
    }
    asked_ = true;
    holderBusy_ = true;
}

X11SelectionTransfer::~X11SelectionTransfer() {
    if (connection_ != nullptr) {
        if (!holderBusy_ || holderGone_) {
            xcb_flush(connection_);
            xcb_disconnect(connection_);
        } else if (X11SelectionDrain::reserve()) {
            drainLater(connection_, window_, property_, holder_, silence_);
        } else {
            X11SelectionDrain::abandon(connection_, window_, property_);
        }
    }
    if (placed_) places().give();
}

Result<void, ClipboardReadError> X11SelectionTransfer::receive(SelectionSink& sink,
                                                               const std::atomic<bool>* cancelled) {
    if (std::exchange(done_, true)) return Failure{ClipboardReadError{}};
    cancelled_ = cancelled;
    if (isCancelled()) return Failure{stopped()};
    if (!placed_) {
        placed_ = places().take(Clock::now() + silence_, cancelled_);
        if (!placed_) return Failure{stopped()};
        ask();
    }
    if (!asked_) return Failure{ClipboardReadError{}};
    // A holder gone as it was asked (none owns the selection, or its window was gone when watched)
    // answers nothing more than what came already.
    if (holder_ == XCB_NONE) {
        holderGone_ = true;
    } else if (xcb_generic_error_t* error = xcb_request_check(connection_, xcb_void_cookie_t{watch_})) {
        std::free(error);
        holderGone_ = true;
    }
    xcb_atom_t answer = XCB_NONE;
    const bool answered = waitFor([&](const xcb_generic_event_t& event) {
        const auto& notice = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
        if ((event.response_type & 0x7f) != XCB_SELECTION_NOTIFY || notice.requestor != window_) return false;
        answer = notice.property;
        return true;
    });
    if (!answered) return Failure{stopped()};
    if (answer == XCB_NONE) {
        holderBusy_ = false;
        return Failure{ClipboardReadError{}};
    }

    // The first bytes, and from what follows them the whole length, before reading on.
    Piece first = property(0, headLength);
    if (!first) return Failure{ClipboardReadError{}};
    type_ = first.reply->type;
    format_ = first.reply->format;
    if (type_ != incr_) return whole(sink, first);
    std::uint32_t announced = 0;
    if (first.length() >= 4) std::memcpy(&announced, first.bytes().data(), sizeof announced);
    // Deleting the announcement starts the transfer.
    finishPiece();
    return incremental(sink, announced);
}

Result<void, ClipboardReadError> X11SelectionTransfer::whole(SelectionSink& sink, const Piece& first) {
    const std::int64_t total = first.length() + first.after();
    counted_ = total;
    keepHead(first.bytes());
    Next next = sink.expect(total, false);
    std::int64_t offset = 0;
    Piece piece;
    const Piece* current = &first;
    while (next == Next::more && offset < total) {
        // The holder may have rewritten the property meanwhile: take no more than was said.
        const QByteArrayView bytes = current->bytes().first(std::min(current->length(), total - offset));
        if (bytes.isEmpty()) break;
        if (offset > 0) keepHead(bytes);
        next = sink.take(bytes);
        offset += bytes.size();
        taken_ = offset;
        if (next != Next::more || offset >= total) break;
        piece = property(offset, std::min(total - offset, sink.room() + 1));
        if (!piece) break;
        current = &piece;
    }
    if (next == Next::more) next = sink.end();
    finishPiece();
    holderBusy_ = false;
    if (next == Next::tooLong) return Failure{tooLong(total)};
    return {};
}

Result<void, ClipboardReadError> X11SelectionTransfer::incremental(SelectionSink& sink,
                                                                   std::int64_t announced) {
    counted_ = announced;
    if (sink.expect(announced, true) == Next::tooLong) {
        // Its first bytes say what it claims to be; the rest is never asked for.
        if (waitForPiece()) {
            const Piece piece = property(0, headLength);
            if (piece) {
                keepHead(piece.bytes());
                counted_ = std::max(announced, piece.length() + piece.after());
            }
        }
        return Failure{tooLong(counted_)};
    }
    std::int64_t& received = taken_;
    for (;;) {
        if (!waitForPiece()) return Failure{stopped()};
        const std::int64_t start = received;
        Piece piece = property(0, sink.room() + 1);
        if (!piece) return Failure{stopped()};
        // The pieces tell the offer's own type, which the announcement does not.
        type_ = piece.reply->type;
        format_ = piece.reply->format;
        const std::int64_t length = piece.length() + piece.after();
        counted_ = std::max(announced, start + length);
        if (length == 0) {
            const Next next = sink.end();
            finishPiece();
            holderBusy_ = false;
            if (next == Next::tooLong) return Failure{tooLong(counted_)};
            return {};
        }
        // A piece in slices, however long the holder made it.
        for (;;) {
            const QByteArrayView bytes =
                piece.bytes().first(std::min(piece.length(), start + length - received));
            if (bytes.isEmpty()) return Failure{stopped()};
            keepHead(bytes);
            const Next next = sink.take(bytes);
            received += bytes.size();
            if (next != Next::more) {
                // The holder goes on writing until the end: the drain takes it.
                if (next == Next::tooLong) return Failure{tooLong(counted_)};
                return {};
            }
            if (received >= start + length) break;
            piece = property(received - start, std::min(start + length - received, sink.room() + 1));
            if (!piece) return Failure{stopped()};
        }
        finishPiece();
    }
}

QStringList X11SelectionTransfer::atomNames(std::span<const std::uint32_t> atoms) {
    QStringList names;
    if (connection_ == nullptr || xcb_connection_has_error(connection_) != 0) return names;
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(atoms.size());
    for (const std::uint32_t atom : atoms)
        cookies.push_back(xcb_get_atom_name(connection_, atom));
    names.reserve(static_cast<qsizetype>(atoms.size()));
    for (const xcb_get_atom_name_cookie_t cookie : cookies) {
        xcb_generic_error_t* error = nullptr;
        const auto reply = own(xcb_get_atom_name_reply(connection_, cookie, &error));
        std::free(error);
        names.append(reply ? QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                               xcb_get_atom_name_name_length(reply.get()))
                           : QString());
    }
    return names;
}

bool X11SelectionTransfer::isCancelled() const {
    return cancelled_ != nullptr && cancelled_->load();
}

template<class Matches>
bool X11SelectionTransfer::waitFor(Matches matches) {
    const auto deadline = Clock::now() + silence_;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const auto owned = own(event);
            if (matches(*event)) return true;
            const auto& destroyed = reinterpret_cast<const xcb_destroy_notify_event_t&>(*event);
            if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY && destroyed.window == holder_)
                holderGone_ = true;
        }
        if (holderGone_ || xcb_connection_has_error(connection_) != 0) break;
        if (isCancelled()) return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd socket{xcb_get_file_descriptor(connection_), POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(std::min(left, cancelCheck).count()));
    }
    // Silent, or gone: nothing worth finishing comes any more.
    holderBusy_ = false;
    return false;
}

bool X11SelectionTransfer::waitForPiece() {
    return waitFor([this](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto& notice = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return notice.window == window_ && notice.atom == property_ && notice.state == XCB_PROPERTY_NEW_VALUE;
    });
}

X11SelectionTransfer::Piece X11SelectionTransfer::property(std::int64_t offset, std::int64_t length) {
    Piece piece;
    piece.reply = own(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY,
                                                static_cast<std::uint32_t>(offset / 4), units(length)),
                               nullptr));
    return piece;
}

void X11SelectionTransfer::finishPiece() {
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
}

void X11SelectionTransfer::keepHead(QByteArrayView bytes) {
    if (head_.size() < headLength)
        head_.append(bytes.first(std::min<qsizetype>(bytes.size(), headLength - head_.size())));
}

ClipboardReadError X11SelectionTransfer::tooLong(std::int64_t length) const {
    return {Kind::tooLong, std::max(length, static_cast<std::int64_t>(head_.size())), head_};
}

ClipboardReadError X11SelectionTransfer::stopped() const {
    return {Kind::stopped, taken_, {}};
}

} // namespace quorvane
