#pragma once

#include "platform/DropMessageThinning.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>

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
// source waits for our answer. The latest such drag's enter and position are sent to ourselves
// again once it may enter.
class X11DropThinning final : private QAbstractNativeEventFilter {
public:
    using Clock = DropMessageThinning::Clock;
    // A mark that comes back behind more events than this found the queue long.
    static constexpr std::uint64_t longQueue = 256;

    X11DropThinning();
    ~X11DropThinning() override;
    X11DropThinning(const X11DropThinning&) = delete;
    X11DropThinning& operator=(const X11DropThinning&) = delete;

private:
    // A client message's 32 bytes.
    using Message = std::array<char, 32>;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    void sendMark(std::uint32_t window);
    void sendAgain(const Message& message);
    void send(const Message& message);
    void keepOut(std::size_t kind, std::uint32_t source, const Message& message);
    void letInLater();

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
    // The latest drag kept out: its source, enter and position; when it may enter.
    std::uint32_t keptOut_ = 0;
    std::optional<Message> keptEnter_;
    std::optional<Message> keptPosition_;
    QTimer letIn_;
};

} // namespace quorvane
