#pragma once

// The drop target's side of the X server: a connection and a thread of its own, the proxy windows
// of ours that other programs' drags talk to, and the protocol (XDND) for every source at once.
// Each message costs a lookup and no request: what the target must ask the server (a long list of
// types, the names of types) is asked without waiting, a bounded number at a time, and taken up
// when it comes, so that no source's slowness holds up another's answers. Positions are answered
// once a round of messages is read, the last of each source only, a bounded number a round. A
// source's window is not looked up: the answer sent it brings an error if it is not there, which
// ends its drag, and the drag whose source holds the drag's data (XdndSelection, whose holder the
// server tells through XFixes) is known to be there. A flood of drags, made up or not, thus costs
// the server no more requests than a few drags would, and the target reads it as fast as it is
// sent.
//
// Another client may end the connection (XKillClient on a proxy of ours): it is opened again, and
// all it held made again (atoms, proxies, properties); the drags it followed are forgotten.

#include "platform/X11DropTarget.h"
#include "platform/XdndSources.h"
#include "platform/XdndWants.h"
#include "platform/XdndWindows.h"

#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

struct xcb_connection_t;

namespace quorvane {

class XdndServer {
public:
    struct Outlet {
        std::function<void(std::set<XdndSources::Hover>)> hovered;
        std::function<void(std::uint32_t window, QPoint position, int kind, std::shared_ptr<ClipboardOffer>)>
            dropped;
        // A drop of `window` replaced by a later one before its data was asked for.
        std::function<void()> givenUp;
        // Every message sent before catchUp() was asked has been read and handed on.
        std::function<void()> caughtUp;
    };
    // Messages read in one round at most, before the answers they owe are sent.
    static constexpr int roundLength = 4096;
    // Names of types asked of the server for one drag at most.
    static constexpr std::size_t mostNamesAsked = 64;

    // Connects and serves, on its own thread; without an X server, nothing. `now` tells the time
    // (the steady clock's, if none).
    XdndServer(const std::vector<QStringList>& kinds, Outlet outlet, X11DropTarget::Now now = {});
    // Stops serving and closes the connection: the proxies go with it.
    ~XdndServer();
    XdndServer(const XdndServer&) = delete;
    XdndServer& operator=(const XdndServer&) = delete;

    bool serving() const { return serving_; }
    // Any thread; taken up in the next round.
    void setWindows(std::vector<X11DropTarget::Window> windows);
    // Reads every message the server has for us now, and says so once they are handed on. Any
    // thread.
    void catchUp();

private:
    using Source = XdndSources::Source;
    using Clock = XdndSources::Clock;
    // Ends the thread's wait, for what another thread asked of it.
    void wake() const;
    // A request whose answer is taken up when it comes.
    struct Pending {
        unsigned int sequence = 0;
        enum class Kind { types, name, caughtUp } kind = Kind::types;
        std::uint32_t source = 0;
        std::uint32_t atom = 0;
    };
    struct DropAsked {
        std::uint32_t source = 0;
        std::uint32_t named = 0;
        std::uint32_t time = 0;
    };

    void run();
    // Opens the connection and makes what it holds: atoms, the names of the types zones take.
    bool connect();
    // After the connection was lost: a new one, with the windows it served.
    bool reconnect();
    // Sleeps as long, unless another thread asks something.
    void waitFor(std::chrono::milliseconds wait);
    // Each takes an event as xcb hands it.
    void read(const void* event);
    void message(const void* event);
    void enter(std::uint32_t source, std::uint32_t named, std::uint32_t target, const std::uint32_t* data);
    void takeReplies();
    // The server took our requests up to `sequence`, and the one of that number brought the X
    // error `error`, if not 0: an answer that brought BadWindow reached no window.
    void settled(unsigned int sequence, int error = 0);
    // Hears who holds the drag's data (XdndSelection), through XFixes where the server has it.
    void heedDragOwner(xcb_connection_t* connection);
    void typesCame(std::uint32_t source, std::vector<std::uint32_t> types);
    void nameCame(std::uint32_t atom, QByteArray name);
    void classify(Source& source);
    void answer();
    std::optional<int> verdict(const Source& source) const;
    void takeDrops();
    void take(Source& source, std::uint32_t time);
    // A drop from `source`, no longer followed, through our window `named`.
    void unfollowedDrop(std::uint32_t source, std::uint32_t named);
    void end(std::uint32_t source);
    void forget(std::uint32_t source);
    void forgetSilent();
    void applyWindows();
    // The number of the request that sent it.
    unsigned int send(std::uint32_t to, std::uint32_t type, std::array<std::uint32_t, 5> data);
    void remember(std::uint32_t source, unsigned int answer);
    std::optional<QByteArray> name(std::uint32_t atom) const;

    Outlet outlet_;
    std::vector<QStringList> kinds_;
    X11DropTarget::Now now_;
    // Set once made; the connection itself is the thread's own.
    std::atomic<bool> serving_{false};
    xcb_connection_t* connection_ = nullptr;
    int wake_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::uint32_t root_ = 0;

    // XdndAware, XdndProxy, the messages, XdndTypeList, XdndActionCopy, XdndSelection.
    struct Atoms {
        std::uint32_t aware = 0, proxy = 0, enter = 0, position = 0, status = 0, leave = 0, drop = 0,
                      finished = 0, typeList = 0, copy = 0, selection = 0;
    } atoms_;
    // The window that holds the drag's data, as the server last said, and the code of its notices.
    // A drag's source holds it before it enters: its window is one that exists, which no made-up
    // window can claim to be.
    std::uint32_t dragOwner_ = 0;
    int ownerNotice_ = -1;
    XdndWants wants_;

    std::mutex mutex_;
    std::optional<std::vector<X11DropTarget::Window>> incoming_;
    bool catchingUp_ = false;

    XdndWindows windows_;
    XdndSources sources_;
    std::vector<DropAsked> drops_;
    std::deque<Pending> pending_;
    // Sources whose list of types was asked for and has not come.
    std::unordered_set<std::uint32_t> listing_;
    // Names of types, as the server gave them; those asked for, with the sources waiting on each,
    // each once.
    std::unordered_map<std::uint32_t, QByteArray> names_;
    std::unordered_map<std::uint32_t, std::unordered_set<std::uint32_t>> naming_;
    // Sources whose names came this round.
    std::unordered_set<std::uint32_t> woken_;
    // Answers sent, in order, until a later request is taken: the number of their request and their
    // source.
    std::deque<std::pair<unsigned int, std::uint32_t>> answersSent_;
    std::set<XdndSources::Hover> hovering_;
    // The time of this round, as `now_` told it when the round began.
    Clock::time_point roundAt_{};
    // A round trip came back: what came before it is read.
    bool caughtUp_ = false;
    Clock::time_point swept_{};
    // When the connection was last found lost, for saying so once a while.
    std::optional<Clock::time_point> lost_;
};

} // namespace quorvane
