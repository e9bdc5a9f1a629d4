#pragma once

#include "platform/DropMessageThinning.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// Leaves out other programs' drag messages (XDND) that DropMessageThinning refuses, before Qt
// handles them: a flood of drops from any number of programs costs the GUI thread a glance at each
// message. Filters from its making to its end, on Qt's X connection; without one, nothing.
//
// Qt looks through every queued event for each position it handles, which costs the square of a
// long queue. So a position of the followed drag is handed on only while the queue is short: it
// waits for a mark sent to ourselves to come back behind few events, and the latest waiting one is
// then sent to ourselves again and handed on when it arrives. The drag's source still hears about
// the position it last sent, a round trip later.
//
// A drag that enters while another is followed, or during the rest, would never hear from us: its
// source waits for our answer. A few such drags are kept until their sources leave or drop; once
// one may enter and no other message was left out for a rest, the latest one's enter and position
// are sent to ourselves again, and the next one's once that drag is over.
class X11DropThinning final : private QAbstractNativeEventFilter {
public:
    using Clock = DropMessageThinning::Clock;
    // A mark that comes back behind more events than this found the queue long.
    static constexpr std::uint64_t longQueue = 256;
    // Drags kept out and remembered at once; a flood from more sources pushes out the oldest.
    static constexpr std::size_t keptOutDrags = 8;

    X11DropThinning();
    ~X11DropThinning() override;
    X11DropThinning(const X11DropThinning&) = delete;
    X11DropThinning& operator=(const X11DropThinning&) = delete;

private:
    // A client message's 32 bytes.
    using Message = std::array<char, 32>;
    // A drag kept out: its source, enter and latest position.
    struct KeptOut {
        std::uint32_t source = 0;
        Message enter{};
        std::optional<Message> position;
    };

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    void sendMark(std::uint32_t window);
    void sendAgain(const Message& message);
    void send(const Message& message);
    void keepOut(std::size_t kind, std::uint32_t source, const Message& message);
    void letInLater();
    void forget(std::uint32_t source);

    bool installed_ = false;
    // XdndEnter, XdndPosition, XdndLeave, XdndDrop, then our own mark.
    std::array<std::uint32_t, 5> atoms_{};
    DropMessageThinning thinning_;
    // Events seen; their count when the mark on its way through the queue was sent.
    std::uint64_t seen_ = 0;
    std::optional<std::uint64_t> markSent_;
    // The followed drag's latest position, waiting for a short queue; the one sent to ourselves.
    std::optional<Message> waiting_;
    std::optional<Message> sentAgain_;
    // The drags kept out, the latest last; when a message was last kept out; when the latest may
    // enter.
    std::vector<KeptOut> keptOut_;
    Clock::time_point keptAt_{};
    QTimer letIn_;
};

} // namespace quorvane
