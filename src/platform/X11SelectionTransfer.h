#pragma once

// One transfer of a selection (the clipboard, or a drag's data) from the program that holds it,
// on an X connection and a window of its own, following the X11 protocol itself (INCR included):
// the holder's pieces go to a SelectionSink as they come, never more than it has room for, and the
// transfer ends as soon as the sink has what it needs.
//
// Asking is quick and may happen on the GUI thread (a drop must ask before it returns, while the
// drag's source still serves); the waiting happens in receive(), on a worker thread, never on the
// GUI thread: each wait for the holder is bounded, and a transfer given up while its holder goes on
// is drained from the event loop afterwards (X11SelectionDrain), so that the holder is free for the
// next reader, or abandoned when as many drains run already.
//
// However many transfers other programs start (drops, clipboard changes), no more than a few hold
// an X connection at once: one beyond them asks only once another ended, in receive().

#include "core/Result.h"
#include "platform/ClipboardReadError.h"
#include "platform/SelectionSink.h"

#include <QByteArray>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

class X11SelectionTransfer {
public:
    // How long Qt waits for a clipboard holder at each step; ours waits as long.
    static constexpr std::chrono::milliseconds defaultSilence{5000};
    // The most transfers that hold an X connection at once, in this process.
    static constexpr int mostAtOnce = 4;

    struct Request {
        QByteArray selection = QByteArrayLiteral("CLIPBOARD");
        // The format asked for ("image/png", "TARGETS").
        QByteArray target;
        // When the selection was taken as it is wanted; 0 for now. A drop names its own time,
        // and its source may serve only that.
        std::uint32_t time = 0;
        // The longest wait for the holder at each step.
        std::chrono::milliseconds silence = defaultSilence;
    };

    // Asks the holder, and returns once the X server has the request; when as many transfers as
    // may hold a connection are underway, leaves the asking to receive(). Fails (in receive) as
    // unavailable without an X server.
    explicit X11SelectionTransfer(const Request& request);
    ~X11SelectionTransfer();
    X11SelectionTransfer(const X11SelectionTransfer&) = delete;
    X11SelectionTransfer& operator=(const X11SelectionTransfer&) = delete;

    // Waits for the answer and hands it to `sink` piece by piece; once only. `cancelled` set from
    // another thread ends a wait within a tenth of a second, as stopped; set before, nothing is
    // waited for.
    Result<void, ClipboardReadError> receive(SelectionSink& sink,
                                             const std::atomic<bool>* cancelled = nullptr);

    // The answer's property type and format (8, 16 or 32), once received.
    std::uint32_t type() const { return type_; }
    int format() const { return format_; }
    // The names of `atoms`, asked all at once; an atom the server does not know gives "".
    QStringList atomNames(std::span<const std::uint32_t> atoms);

private:
    struct Piece;
    void ask();
    bool isCancelled() const;
    template<class Matches>
    bool waitFor(Matches matches);
    bool waitForPiece();
    Piece property(std::int64_t offset, std::int64_t length);
    void finishPiece();
    void keepHead(QByteArrayView bytes);
    Result<void, ClipboardReadError> whole(SelectionSink& sink, const Piece& first);
    Result<void, ClipboardReadError> incremental(SelectionSink& sink, std::int64_t announced);
    ClipboardReadError tooLong(std::int64_t length) const;
    ClipboardReadError stopped() const;

    QByteArray selectionName_;
    QByteArray target_;
    std::uint32_t time_;
    std::chrono::milliseconds silence_;
    const std::atomic<bool>* cancelled_ = nullptr;
    // Holds one of the places for a connection.
    bool placed_ = false;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t window_ = 0;
    // The window that held the selection when asked; the request that watches its end; whether
    // it ended (or was gone before it could be watched).
    std::uint32_t holder_ = 0;
    unsigned int watch_ = 0;
    bool holderGone_ = false;
    std::uint32_t selection_ = 0;
    std::uint32_t incr_ = 0;
    std::uint32_t property_ = 0;
    std::uint32_t type_ = 0;
    int format_ = 0;
    bool asked_ = false;
    bool done_ = false;
    // The first bytes, for a refusal's message.
    QByteArray head_;
    // How long the offer is, as far as announced or counted; how much of it the sink took.
    std::int64_t counted_ = 0;
    std::int64_t taken_ = 0;
    // The holder may still write to us: asked and not yet answered in full, nor gone silent.
    bool holderBusy_ = false;
};

} // namespace quorvane
