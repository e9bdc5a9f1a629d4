#pragma once

// Keeps the person's input in order around something read from another program for a window (a
// paste, a drop): while it is read, the keys, clicks, moves and wheel turns wait where they arrive,
// before Qt routes them or an input method composes them, and once it has landed or failed they go
// on in the order they came through the same path as input that never waited, so that Ctrl+S or
// Ctrl+Return typed after Ctrl+V act on what was pasted, a dead key composes with the key after it,
// and a click lands on what is under it then. The windows go on painting and answering the window
// manager meanwhile (the wait is Qt's own deferral of user input). A held key that was meant for a
// window a held key before it hid or blocked (a sheet closed, a dialog opened) goes where the
// keyboard is once it has settled there.
//
// No input waits longer than the bound, counted from the first hold of a run: a read asked by held
// input as it goes on (Ctrl+V pressed again while a paste waited) joins the run, and has only what
// is left of its bound. The holds are given up once input has waited that long (or once input
// comes after the bound, while the read still goes on), on Escape (which is spent on that), and
// when more input waits than is kept; a read asked by input that came before a give-up is given up
// with it. A hold given up calls its `giveUp` with the reason, which drops the read and says so if
// it failed, and then the input goes on. GUI thread; made once, by the composition root.

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;
class QTimer;
class QWindow;

namespace quorvane {

class X11InputConnection;

class InputHold final : public QObject {
    Q_OBJECT

public:
    // What a silent clipboard holder is given before its read fails.
    static constexpr std::chrono::milliseconds defaultBound{5000};
    // Presses and releases waiting, consecutive moves counted once.
    static constexpr std::size_t mostHeld = 2000;
    // How long held keys wait for the keyboard to settle after one moved it.
    static constexpr std::chrono::milliseconds settleBound{1000};

    // Why a hold was given up.
    enum class Reason {
        bound,    // its input waited as long as it may: the read failed, as a silent holder's does
        overflow, // more input waited than is kept: likewise
        escape,   // the person pressed Escape: nothing failed
        joined,   // asked while another waited, and given up with it, which said so
    };
    // Whether a read given up for `why` failed, and says so.
    static bool failed(Reason why) { return why == Reason::bound || why == Reason::overflow; }

    // One hold, released when the token is (or ends); move only.
    class Token {
    public:
        Token() = default;
        Token(Token&& other) noexcept;
        Token& operator=(Token&& other) noexcept;
        ~Token();
        // The input held goes on in order, unless another hold remains. Idempotent.
        void release();
        explicit operator bool() const { return id_ != 0 && hold_ != nullptr; }

    private:
        friend class InputHold;
        Token(InputHold& hold, std::uint64_t id);
        QPointer<InputHold> hold_;
        std::uint64_t id_ = 0;
    };

    // The time on the steady clock, as the hold reads it.
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    // `now` is for tests to move the time on (a bound passes); the steady clock's if none.
    explicit InputHold(std::chrono::milliseconds bound = defaultBound, std::size_t most = mostHeld,
                       Now now = {});
    ~InputHold() override;

    // Holds input until the token is released; `giveUp` is called instead when the hold is given
    // up, and the token then holds nothing. A null window holds nothing. Input to every window of
    // ours waits (Qt defers it all), never longer than the bound.
    [[nodiscard]] Token hold(QWindow* window, std::function<void(Reason)> giveUp);
    // Whether a hold for `window` lasts now.
    bool holds(const QWindow* window) const;
    // Runs `then` once the input that waits now has gone on (at once when none waits): what is not
    // the person's input (a capture a hot key took) acts after the keys typed before it.
    void afterHeldInput(std::function<void()> then);
    // Presses, releases and runs of moves that came since the holds began (what the cap counts).
    std::size_t waiting() const { return waiting_; }
    // The window the person's keys go to now: the active one, never a menu open over it (a paste
    // chosen from the Edit menu is asked in the window below). Null when none of ours is active.
    static QWindow* activeWindow();

Q_SIGNALS:
    // A key, click or wheel turn is about to go to `window`, before Qt routes it: a hold begun now
    // keeps it waiting too.
    void inputComing(QWindow* window);

private:
    struct Hold {
        std::uint64_t id;
        QPointer<QWindow> window;
        std::function<void(Reason)> giveUp;
        QMetaObject::Connection gone;
    };
    class Hook;
    friend class Hook;

    // Whether an input event Qt is about to route goes on; it may wait first, or be redirected.
    bool admit(void* windowSystemEvent);
    // Waits, deferring user input, until the holds end.
    void wait();
    // Waits, deferring user input, until `settled` holds or `bound` passed.
    void waitFor(const std::function<bool()>& settled, std::chrono::milliseconds bound);
    void release(std::uint64_t id);
    // Ends a hold without giving it up.
    void drop(std::uint64_t id);
    // Gives every hold up; input up to the server time `until` asked for them.
    void giveUp(Reason reason, unsigned long until);
    void ended();
    // Waits for the bound on the clock; `expire` once it has passed.
    void awaitBound();
    void expire();
    void noteInput(bool acts, bool motion, std::uint32_t time);
    // Raw input from the server, watched while the keyboard is ours or a hold lasts.
    struct Seen {
        std::uint16_t type;
        std::uint32_t detail;
        std::uint32_t time;
    };
    static constexpr std::size_t mostSeen = 256;
    void watchRawInput();
    bool rawInput(const void* event);
    // Notes the raw input Qt has not routed yet.
    void catchUpRawInput();
    void noteRawInput(const Seen& seen);
    bool isHeld(unsigned long time) const;

    std::chrono::milliseconds bound_;
    std::size_t most_;
    Now now_;
    std::chrono::steady_clock::time_point deadline_{};
    std::uint64_t lastID_ = 0;
    std::vector<Hold> holds_;
    std::unique_ptr<QTimer> boundTimer_;
    // The bound passed with no input waiting: the next press gives the holds up.
    bool expired_ = false;
    std::size_t waiting_ = 0;
    bool lastWasMotion_ = false;
    // When the first hold of the run began: one begun as held input goes on counts from then.
    std::optional<std::chrono::steady_clock::time_point> runStart_;
    // The last give-up of the run, and the input that came before it: a read that input asks for
    // as it goes on is given up too, at the next turn.
    struct GivenUp {
        Reason reason;
        unsigned long until;
    };
    std::optional<GivenUp> givenUp_;
    std::optional<Reason> joining_;
    // The holds now were begun as held input went on.
    bool joinedRun_ = false;
    // What runs once the input that waited has gone on.
    std::vector<std::function<void()>> afterInput_;
    void caughtUp();
    void settle();
    // Input that waited goes on now.
    bool handingOn_ = false;
    // Held input is being let through (a wait for the keyboard to settle meanwhile is no end of
    // the run), or delivered by Qt (a read it asks joins the run).
    int admitting_ = 0;
    int delivering_ = 0;
    // The window held keys were meant for when the keyboard settled nowhere in time.
    QPointer<QWindow> unsettled_;
    // The X server's time of the latest input that waited: input up to it was held.
    unsigned long heldUntil_ = 0;
    // The Escape that gave the holds up: its press (server time, key) and then its release go no
    // further.
    struct Spent {
        unsigned long time;
        std::uint32_t key;
        bool pressed;
    };
    std::vector<Spent> spent_;
    std::vector<QEventLoop*> loops_;
    // Starts the wait at the next turn of the event loop.
    std::unique_ptr<QTimer> startTimer_;
    // Runs what waited for the held input, once that has gone on.
    std::unique_ptr<QTimer> settleTimer_;
    // Raw input on a connection of our own: Escape and the cap are watched there while Qt defers
    // input.
    std::unique_ptr<X11InputConnection> x11_;
    int rawListener_ = 0;
    bool rawWatched_ = false;
    std::vector<Seen> seen_;
    // The server's time of the latest input Qt routed.
    unsigned long routed_ = 0;
    void* keySymbols_ = nullptr;
};

} // namespace quorvane
