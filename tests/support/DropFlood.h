#pragma once

// Other programs flooding a window with drags (XDND), as fast as the server takes them or at a
// steady pace: each source has its own X connection and thread, sends without waiting for the
// target's answers, and never serves the data it drops. Messages go to the window's proxy where it
// names one (XdndProxy), as real sources send them, unless told to go past it. Threads of the test
// process, so that the flood holds whatever the test does meanwhile.

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QWindow;

namespace quorvane::test {

class DropFlood {
public:
    enum class Kind {
        // Enters, moves and drops, over and over.
        drops,
        // Enters and moves from each of its windows in turn, over and over, and never leaves.
        enters,
        // Enters, moves and leaves, over and over.
        entersAndLeaves,
        // Makes a window, enters and moves from it, and destroys it, over and over.
        closingWindows,
        // Enters and moves once from each of its windows, then says nothing more.
        silent,
        // Enters once, then moves every `every`, and never leaves.
        trickle,
        // Enters and moves from `windows` made-up windows that do not exist, of 2,048 made-up
        // programs, over and over.
        madeUp,
    };
    struct Pattern {
        Kind kind = Kind::drops;
        int sources = 1;
        // Windows of each source.
        int windows = 1;
        // Between rounds; zero for as fast as the server takes them.
        std::chrono::milliseconds every{0};
        // The type offered.
        std::string type = "text/uri-list";
        // Sends to the window itself, as a program that ignores its proxy.
        bool pastProxy = false;
        // Each enter says its source lists more than three types on its window, as a source offering
        // many does, for the target to ask for: none is listed.
        bool listed = false;
    };

    // Starts sources dropping on the window `target` at `x`, `y` of the screen, as `pattern` says.
    DropFlood(std::uint32_t target, int x, int y, Pattern pattern);
    // `sources` sources dropping over and over.
    DropFlood(std::uint32_t target, int x, int y, int sources)
        : DropFlood(target, x, y, Pattern{.sources = sources}) {}
    // Stops them.
    ~DropFlood();
    DropFlood(const DropFlood&) = delete;
    DropFlood& operator=(const DropFlood&) = delete;

    // Stops every source; returns once none sends any more.
    void stop();
    // The rounds sent so far, by all sources: drops, or enters.
    std::int64_t drops() const { return drops_; }
    // Whether every source reached the server and sent its first round.
    bool connected() const { return connected_ == pattern_.sources; }

private:
    void flood(std::uint32_t target, std::uint32_t at);

    Pattern pattern_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connected_{0};
    std::atomic<std::int64_t> drops_{0};
    std::vector<std::thread> threads_;
};

// Another program's drag over the window `target` whose position, sent to `target`, names the root
// window instead; it enters and leaves as it should. Then the answers a drag's target sends its
// source (XdndStatus, XdndFinished), sent to `target`. Returns once the server has taken them. Sent
// through `target`'s proxy where it names one.
void sendMisdirectedDragMessages(std::uint32_t target, int x, int y);
// How a drag's enter offers its types.
enum class Offered {
    // In the message.
    inMessage,
    // Listed on its source's window, as more than three are.
    listed,
};
// `count` drags entering the window `target` from made-up sources that are no windows, none of
// which ever ends: of the program sending them, or made up in the range of the program whose
// window `beside` is. Returns once the server has taken them.
void sendEntersFromNoWindows(std::uint32_t target, int count, Offered offered = Offered::inMessage,
                             std::uint32_t beside = 0);
// Drags whose source names the window `target` itself, entering and moving over (x, y) of the screen:
// sent to the window past its proxy, and through the proxy naming the window and naming the proxy.
// Returns once the server has taken them.
void sendEntersNamingTheirTarget(std::uint32_t target, int x, int y);
// Another program's drags over the window `target` from `sources` windows of its own, through its
// proxy, one message at a time: each returns once the server has taken it, unless held. Each
// leaves when it ends. Messages name the drag of the window `source`.
class ForeignDrag {
public:
    explicit ForeignDrag(std::uint32_t target, int sources = 1);
    ~ForeignDrag();
    ForeignDrag(const ForeignDrag&) = delete;
    ForeignDrag& operator=(const ForeignDrag&) = delete;

    // Offers `types` from here on: the first three in its enter, more listed on the source's window.
    // Asks the server for their names' atoms, which sends whatever is held.
    void offer(const std::vector<std::string>& types, int source = 0);
    // Enters offering `types`; offered beforehand, it asks nothing.
    void enter(const std::vector<std::string>& types = {"text/uri-list"}, int source = 0);
    // A position at `x`, `y` of the screen whose message names the window `named` (0: the target,
    // as it should; or any other).
    void position(int x, int y, std::uint32_t named = 0, int source = 0);
    void leave(int source = 0);
    void drop(int source = 0);
    // Destroys the source's window; its drag goes on naming it.
    void closeWindow(int source = 0);
    // Messages from here wait until release(), which sends them at once and returns once the
    // server has taken them.
    void hold();
    void release();
    // The source's window.
    std::uint32_t window(int source = 0) const;
    // The source takes the drag's data (XdndSelection), as a person's drag does before it enters.
    void holdData(int source = 0);
    // The answers heard so far ("accept" or "refuse"), once there are `count` or after 5 s.
    std::vector<std::string> answers(std::size_t count, int source = 0);
    // The answers heard so far, once the server has handed on all it was sent before (a round trip).
    std::vector<std::string> answersSoFar(int source = 0);
    // How its drop ended ("accepted" or "refused"), once told or after 5 s ("" then).
    std::string finished(int source = 0);

private:
    struct Connection;
    // Reads what the target sent until `done` or 5 s.
    void listen(const std::function<bool()>& done);
    // Takes an answer or the end of a drop, if `event` is one.
    void heard(const void* event);
    std::unique_ptr<Connection> connection_;
    std::vector<std::vector<std::string>> answers_;
    std::vector<std::string> finished_;
};

// What any X client may do to a window's drop proxy.
enum class ProxyTampering {
    // Deletes the window's XdndProxy property.
    deleteProperty,
    // Rewrites it to name the root window.
    rewriteProperty,
    // Destroys the proxy window.
    destroyProxy,
    // Ends the X connection that made the proxy (XKillClient on its number).
    killProxyClient,
    // Deletes the window's XdndAware property, which sources look for.
    deleteAware,
};
// Does it to the proxy `window` names; returns once the server has taken it. Whether it named one.
bool tamperWithDropProxy(std::uint32_t window, ProxyTampering tampering);

// Another client rewriting `window`'s XdndProxy to name the root window over and over, as fast as
// the server takes it, on a thread of its own until stopped.
class ProxyFight {
public:
    explicit ProxyFight(std::uint32_t window);
    ~ProxyFight();
    ProxyFight(const ProxyFight&) = delete;
    ProxyFight& operator=(const ProxyFight&) = delete;

    // Returns once it writes no more.
    void stop();
    std::int64_t writes() const { return writes_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> writes_{0};
    std::thread thread_;
};

// The screen's root window.
// `count` type names never used before on the display, `length` bytes long, of the family `family`.
std::vector<std::string> neverNamedTypes(int count, std::size_t length,
                                         const std::string& family = "x-quorvane");

std::uint32_t rootWindow();
// The proxy `window` names for drags, if it names one that names itself; 0 otherwise.
std::uint32_t dropProxyOf(std::uint32_t window);
// Whether `window` says it takes drops of the protocol's version 5 (XdndAware).
bool dropAware(std::uint32_t window);

// Hands Qt a press and a release of `key`, typing `text`, for `window` as its X plugin hands on
// input, but routed at once instead of on a later turn of the event loop: what that turn would
// bring (the word of a drop) comes after the key.
void keyRoutedNow(QWindow& window, int key, const QString& text);

} // namespace quorvane::test
