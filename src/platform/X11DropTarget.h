#pragma once

// Other programs' drags over our windows (XDND), served by a target of our own: each window that
// takes drops names a window of ours as its proxy (XdndProxy), on an X connection and a thread of
// their own, so that no other program's drag message reaches Qt's connection or Qt's drop code
// (XdndFilter leaves out those sent past the proxy). Our own drags stay Qt's.
//
// Every source has its own state, bounded in number (XdndSources), and each of its messages costs
// a lookup and no request of the server: a source that floods, hangs or lies costs its own answers,
// never another's. A position
// is answered over a zone that takes one of the offered types (a copy, whatever the source
// proposes), and refused elsewhere. The data of a drop is asked for before its source hears that
// the drop is over, and read afterwards by whoever takes the drop, off the GUI thread.
//
// The GUI thread says where drops are taken (setWindows) and hears of drags over them and of drops,
// at most one waiting drop a window: a drop that comes before the one before was taken replaces it.

#include "platform/ClipboardOffer.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace quorvane {

class XdndServer;

class X11DropTarget : public QObject {
    Q_OBJECT
public:
    // A part of a window that takes drops of one kind.
    struct Zone {
        // In the root window's pixels.
        QRect area;
        // The index of its kind in the list the target was made with.
        int kind = 0;
        bool operator==(const Zone&) const = default;
    };
    struct Window {
        std::uint32_t id = 0;
        // Front to back: where zones overlap, the first decides.
        std::vector<Zone> zones;
        bool operator==(const Window&) const = default;
    };
    // An accepted drag over a zone of `kind` of `window`.
    using Hover = std::pair<std::uint32_t, int>;

    // The time on the steady clock, as the target reads it from its own thread.
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    // `kinds` lists, for each kind of zone, the types it takes in the order it prefers them; "image/*"
    // takes any type of that family. Serves once an X server is reached; otherwise takes nothing.
    // `now` is for tests to move the time on (drags fall silent, proxies are made again); the
    // steady clock's if none. The target's thread reads it once a round, before it reads messages.
    explicit X11DropTarget(std::vector<QStringList> kinds, QObject* parent = nullptr, Now now = {});
    ~X11DropTarget() override;

    bool serving() const;
    // The windows of ours that take drops and where; replaces those said before. GUI thread.
    void setWindows(std::vector<Window> windows);
    // The windows and kinds of zones over which an accepted drag is now. GUI thread.
    std::set<Hover> hovering() const;
    // Reads what other programs' drags have sent us so far, and says caughtUp() once the drops among
    // it are handed on: a key a person presses after a drop comes after the drop's message, but may
    // reach the GUI thread first.
    void catchUp();
    // Hands on now what the server heard and the GUI thread was not told yet, rather than on a later
    // turn: input Qt is about to route may have come after a drop the server took meanwhile.
    void handOver();

Q_SIGNALS:
    void hoveringChanged();
    // Dropped at `position` (root pixels) on `window`'s zone of `kind`. `offer` reads what was
    // dropped and waits on its source: read it off the GUI thread.
    void dropped(std::uint32_t window, QPoint position, int kind, std::shared_ptr<ClipboardOffer> offer);
    void caughtUp();

private:
    struct Drop {
        QPoint position;
        int kind = 0;
        std::shared_ptr<ClipboardOffer> offer;
    };
    // From the server's thread.
    void hovered(std::set<Hover> hovering);
    void took(std::uint32_t window, Drop drop);
    void poke();
    // On the GUI thread: what the server left.
    void deliver();

    mutable std::mutex mutex_;
    std::set<Hover> hovering_;
    std::set<Hover> shown_;
    std::map<std::uint32_t, Drop> drops_;
    bool caught_ = false;
    bool poked_ = false;
    std::unique_ptr<XdndServer> server_;
};

} // namespace quorvane
