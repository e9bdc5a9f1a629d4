#include "platform/X11SelectionReader.h"

#include "platform/X11SelectionDrain.h"

#include <QList>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace quorvane::X11SelectionReader {
namespace {

using Kind = ClipboardReadError::Kind;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t headLength = ClipboardLimit::headLength;

template<class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<class T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

ClipboardReadError tooLong(std::int64_t length, QByteArray head) {
    return {Kind::tooLong, length, std::move(head)};
}

std::int64_t valueLength(const xcb_get_property_reply_t& reply) {
    return xcb_get_property_value_length(&reply);
}

const char* value(const xcb_get_property_reply_t& reply) {
    return static_cast<const char*>(xcb_get_property_value(&reply));
}

// One transfer on a connection and a window of its own, both gone with it, or left to drain an
// incremental transfer given up in the middle.
class Transfer {
public:
    explicit Transfer(std::chrono::milliseconds silence) : silence_(silence) {
        int screenNumber = 0;
        connection_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection_) != 0) return;
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        if (screens.rem == 0) return;
        window_ = xcb_generate_id(connection_);
        // The holder writes each piece of an incremental transfer once we deleted the last.
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, 0, window_, screens.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    }

    ~Transfer() {
        if (connection_ == nullptr) return;
        if (drain_) {
            X11SelectionDrain::start(connection_, window_, property_, silence_);
            return;
        }
        xcb_flush(connection_);
        xcb_disconnect(connection_);
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit) {
        if (window_ == 0) return Failure{ClipboardReadError{}};
        const QByteArray target = format.toUtf8();
        const QList<QByteArray> names = {"CLIPBOARD", "INCR", "QUORVANE_CLIPBOARD", target};
        QList<xcb_intern_atom_cookie_t> cookies;
        for (const QByteArray& name : names)
            cookies.append(
                xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.constData()));
        QList<xcb_atom_t> atoms;
        for (const xcb_intern_atom_cookie_t cookie : cookies) {
            const auto reply = own(xcb_intern_atom_reply(connection_, cookie, nullptr));
            atoms.append(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
        }
        if (std::find(atoms.begin(), atoms.end(), xcb_atom_t{XCB_ATOM_NONE}) != atoms.end())
            return Failure{ClipboardReadError{}};
        incr_ = atoms[1];
        property_ = atoms[2];

        // Ask the holder to write the offer into our window's property. With no holder, the
        // server answers at once that there is none.
        xcb_convert_selection(connection_, window_, atoms[0], atoms[3], property_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        const auto answer = waitFor([this](const xcb_generic_event_t& event) {
            return (event.response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                   reinterpret_cast<const xcb_selection_notify_event_t&>(event).requestor == window_;
        });
        if (!answer) return Failure{ClipboardReadError{Kind::stopped, 0, {}}};
        if (reinterpret_cast<const xcb_selection_notify_event_t&>(*answer).property == XCB_NONE)
            return Failure{ClipboardReadError{}};

        // The first bytes, and from what follows them the whole length, before reading on.
        const auto first = property(0, headLength / 4);
        if (!first) return Failure{ClipboardReadError{}};
        if (first->type == incr_) {
            std::uint32_t announced = 0;
            if (valueLength(*first) >= 4) std::memcpy(&announced, value(*first), sizeof announced);
            // Deleting the announcement starts the transfer.
            xcb_delete_property(connection_, window_, property_);
            xcb_flush(connection_);
            return announced > limit.maxBytes ? headOfIncremental(announced) : incremental(announced, limit);
        }
        const std::int64_t length = valueLength(*first) + first->bytes_after;
        QByteArray data(value(*first), valueLength(*first));
        if (length > limit.given(data)) {
            finishPiece();
            return Failure{tooLong(length, std::move(data))};
        }
        if (first->bytes_after > 0) {
            data.reserve(length);
            const auto rest = property(headLength / 4, (first->bytes_after + 3) / 4);
            if (!rest) return Failure{ClipboardReadError{}};
            // The holder may have rewritten the property meanwhile: take no more than was said.
            data.append(value(*rest), std::min<std::int64_t>(valueLength(*rest), length - data.size()));
        }
        finishPiece();
        return data;
    }

private:
    // Waits until an event `matches`, for at most the silence allowed; drops every other event.
    template<class Matches>
    Reply<xcb_generic_event_t> waitFor(Matches matches) {
        const auto deadline = Clock::now() + silence_;
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                auto owned = own(event);
                if (matches(*event)) return owned;
            }
            if (xcb_connection_has_error(connection_) != 0) return own<xcb_generic_event_t>(nullptr);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return own<xcb_generic_event_t>(nullptr);
            pollfd socket{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&socket, 1, static_cast<int>(left.count()));
        }
    }

    // The next piece of an incremental transfer has been written.
    Reply<xcb_generic_event_t> waitForPiece() {
        return waitFor([this](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
            const auto& notice = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return notice.window == window_ && notice.atom == property_ &&
                   notice.state == XCB_PROPERTY_NEW_VALUE;
        });
    }

    // Lengths in 32-bit units, as the protocol counts them.
    Reply<xcb_get_property_reply_t> property(std::int64_t offset, std::int64_t length) {
        constexpr std::int64_t most = std::numeric_limits<std::uint32_t>::max();
        return own(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY,
                             static_cast<std::uint32_t>(std::min(offset, most)),
                             static_cast<std::uint32_t>(std::min(length, most))),
            nullptr));
    }

    // Tells the holder that we took what it wrote.
    void finishPiece() {
        xcb_delete_property(connection_, window_, property_);
        xcb_flush(connection_);
    }

    // An offer announced longer than we take: its first bytes say what it claims to be; the rest
    // is never asked for.
    Result<QByteArray, ClipboardReadError> headOfIncremental(std::int64_t announced) {
        drain_ = true;
        if (!waitForPiece()) return Failure{tooLong(announced, {})};
        const auto piece = property(0, headLength / 4);
        if (!piece) return Failure{tooLong(announced, {})};
        return Failure{tooLong(std::max(announced, valueLength(*piece) + piece->bytes_after),
                               QByteArray(value(*piece), valueLength(*piece)))};
    }

    // Piece after piece until the empty one that ends the transfer, as long as the total stays
    // within what `limit` takes. The announced length is only a lower bound.
    Result<QByteArray, ClipboardReadError> incremental(std::int64_t announced, const ClipboardLimit& limit) {
        QByteArray data;
        // Room for the most we take, so that growing never copies (which held the data twice);
        // pages never written cost nothing.
        data.reserve(limit.maxBytes);
        std::int64_t taken = limit.maxBytes;
        bool judged = false;
        const auto refuse = [&](std::int64_t length) {
            drain_ = true;
            return Failure{tooLong(std::max(length, announced), data.left(headLength))};
        };
        for (;;) {
            if (!waitForPiece()) return Failure{ClipboardReadError{Kind::stopped, data.size(), {}}};
            // A piece longer than what is left is not read beyond it.
            const auto piece = property(0, (taken - data.size()) / 4 + 1);
            if (!piece) return Failure{ClipboardReadError{Kind::stopped, data.size(), {}}};
            const std::int64_t length = valueLength(*piece);
            const bool end = length == 0 && piece->bytes_after == 0;
            const std::int64_t total = data.size() + length + piece->bytes_after;
            if (total > taken) {
                data.append(value(*piece), std::min<std::int64_t>(
                                               length, std::max<std::int64_t>(headLength - data.size(), 0)));
                return refuse(total);
            }
            data.append(value(*piece), length);
            // The first bytes may tell that the rest is not needed.
            if (!judged && (end || data.size() >= headLength)) {
                judged = true;
                taken = limit.given(QByteArrayView(data).first(std::min<qsizetype>(data.size(), headLength)));
                if (data.size() > taken || announced > taken) return refuse(data.size());
            }
            if (end) {
                finishPiece();
                return data;
            }
            finishPiece();
        }
    }

    std::chrono::milliseconds silence_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t incr_ = XCB_ATOM_NONE;
    xcb_atom_t property_ = XCB_ATOM_NONE;
    // The holder goes on with an incremental transfer we refused.
    bool drain_ = false;
};

} // namespace

Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit,
                                            std::chrono::milliseconds silence) {
    return Transfer(silence).read(format, limit);
}

} // namespace quorvane::X11SelectionReader
