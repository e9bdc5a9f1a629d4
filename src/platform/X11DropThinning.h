#pragma once

#include "platform/DropMessageThinning.h"
#include "platform/KeptOutDrags.h"

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
// Only messages naming a window of ours count: Qt ignores any other, and so does the bookkeeping
// here, as it does a message of the followed drag that names another window than the drag entered.
// A target's answers sent to one of Qt's windows are left out: Qt would ask the server the name of
// each, and wait for it, to warn that it does not handle it.
//
// Qt looks through every queued event for each position it handles, which costs the square of a
// long queue. So a position of the followed drag is handed on only while the queue is short: it
// waits for a mark, sent to a window of our own, to come back behind few events, and the latest
// waiting one is then sent to ourselves again and handed on when it arrives. The drag's source
// still hears about the position it last sent, a round trip later. A mark that does not come back
// within `markPatience` is taken for lost, and the waiting position goes on without it.
//
// A drag that enters while another is followed, or during the rest, would never hear from us: its
// source waits for our answer. Such drags are kept (KeptOutDrags) until their sources leave or
// drop; once no message was left out for a rest, the one that waited longest, if its source's
// window still exists, has its enter and latest position sent to ourselves again, and the next
// one once that drag is over or fell silent. Qt takes every queued position out of the queue when
// it handles one, so a kept drag's positions may never have reached us: one without is let in
// over the middle of the window it entered. Qt answers only the last position it finds queued, so
// a followed drag beside which others were left out may never have heard from us: if it says
// nothing more once they are quiet, it waits again in its place.
class X11DropThinning final : private QAbstractNativeEventFilter {
public:
    using Clock = DropMessageThinning::Clock;
    // A mark that comes back behind more events than this found the queue long.
    static constexpr std::uint64_t longQueue = 256;
    static constexpr auto markPatience = std::chrono::milliseconds(1000);

    X11DropThinning();
    ~X11DropThinning() override;
    X11DropThinning(const X11DropThinning&) = delete;
    X11DropThinning& operator=(const X11DropThinning&) = delete;

private:
    using Message = KeptOutDrags::Message;
    // The drag followed now.
    struct Followed {
        KeptOutDrags::Drag drag;
        // Messages of other drags were left out meanwhile: an answer may have been lost to theirs.
        bool contested = false;
    };

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    // Whether Qt gets the drag message `message` of the kind `kind`.
    bool handOn(std::size_t kind, const void* message);
    void markCameBack(std::uint32_t window, std::uint32_t number);
    void sendMark();
    void markLost();
    void sendAgain(const Message& message);
    void send(const Message& message);
    void keepOut(std::size_t kind, std::uint32_t source, std::uint32_t window, const Message& message,
                 Clock::time_point now);
    void letInLater();
    bool followedContested() const;
    void waitAgain();
    // Whether `window` is one of Qt's windows of ours.
    static bool ours(std::uint32_t window);
    // Forgets the kept drags whose source's window is gone, or which entered a window of ours that
    // is gone: nobody is there to answer.
    void forgetGone();
    // A position of `drag` over the middle of the window it entered, proposing a copy.
    std::optional<Message> positionOver(const KeptOutDrags::Drag& drag) const;

    bool installed_ = false;
    // XdndEnter, XdndPosition, XdndLeave, XdndDrop, then our own mark.
    std::array<std::uint32_t, 5> atoms_{};
    // XdndStatus and XdndFinished: a drag's target answers its source, never one of Qt's windows.
    std::array<std::uint32_t, 2> answers_{};
    std::uint32_t copyAction_ = 0;
    // Ours alone, so that a mark always comes back.
    std::uint32_t markWindow_ = 0;
    DropMessageThinning thinning_;
    // Events seen; the number of the last mark sent, and the count of events when the one on its
    // way through the queue was sent.
    std::uint64_t seen_ = 0;
    std::uint32_t marks_ = 0;
    std::optional<std::uint64_t> markSent_;
    QTimer markLost_;
    Followed followed_;
    // The followed drag's latest position, waiting for a short queue; the one sent to ourselves.
    std::optional<Message> waiting_;
    std::optional<Message> sentAgain_;
    KeptOutDrags keptOut_;
    // The enter sent to ourselves to let a kept drag in.
    std::optional<Message> lettingIn_;
    // When a message was last kept out.
    Clock::time_point keptAt_{};
    QTimer letIn_;
};

} // namespace quorvane
