#pragma once

// The drags of other programs that the drop target follows: one state a source window, made by its
// enter and ended by its leave, its drop, its window's end or its silence. Bounded whatever is sent,
// and fair between programs: a program (an X client, told by the range of its window numbers)
// keeps at most `mostEach` drags, its own least recently heard making room for its next, so that
// no program's flood pushes out another's drag; past `mostSources` in all, the program holding the
// most drags makes room. Drags whose window is not known to exist make room first, the first
// entered of them first (a flood's windows heard over and over never look newer for it); then the
// least recently heard. A lookup costs a hash. No X here.

#include <QPoint>
#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quorvane {

class XdndSources {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t mostSources = 16384;
    static constexpr std::size_t mostEach = 32;
    // A drag that says nothing for this long has ended without saying so.
    static constexpr std::chrono::seconds silence{30};
    // Types looked at of one drag, as many as a paste looks at.
    static constexpr std::size_t mostTypes = 1000;
    // Drags pushed out after an accepting answer, remembered at most.
    static constexpr std::size_t mostPushedOut = 64;

    struct Source {
        enum class Types { listing, naming, known };

        // The source's own window, which hears our answers.
        std::uint32_t window = 0;
        // The window of ours its messages name, as its source knows us: our answers name it back.
        std::uint32_t named = 0;
        // The window of ours that would take its drop.
        std::uint32_t target = 0;
        std::vector<std::uint32_t> types;
        Types typesState = Types::known;
        // For each kind of zone, the type a drop there asks for; none where the zone takes none.
        std::vector<std::optional<std::uint32_t>> asks;
        // Where it is, in root pixels, and whether that waits for our answer.
        std::optional<QPoint> position;
        bool owed = false;
        // Names of its types asked of the server, or waited for, in this drag.
        std::size_t namesAsked = 0;
        // Its window is being looked up; was seen to exist.
        bool checking = false;
        bool exists = false;
        Clock::time_point heard;
    };
    // An accepted drag over a zone of that kind of that window of ours.
    using Hover = std::pair<std::uint32_t, int>;

    // `clientMask` picks the program out of a window's number (the server's resource base bits).
    explicit XdndSources(std::uint32_t clientMask = 0) : clientMask_(clientMask) {}

    // A new state for `window`'s drag over `target`, replacing any it had; room is made first. Its
    // window's existence is kept over a new drag.
    Source& enter(std::uint32_t window, std::uint32_t named, std::uint32_t target, Clock::time_point now);
    // The state of `window`'s drag, heard from at `now`; null when none is followed.
    Source* heard(std::uint32_t window, Clock::time_point now);
    Source* find(std::uint32_t window);
    void erase(std::uint32_t window);
    // The window of `window`'s drag exists.
    void exists(std::uint32_t window);
    // Whether `window`'s drag was answered a drop would be taken, then pushed out to make room;
    // said once.
    bool pushedOut(std::uint32_t window);
    // Every drag over `target`.
    void eraseOver(std::uint32_t target);
    // The sources silent for `silence` at `now`, oldest first.
    std::vector<std::uint32_t> silent(Clock::time_point now) const;
    std::size_t size() const { return sources_.size(); }
    // The program whose window `window` is.
    std::uint32_t client(std::uint32_t window) const { return window & clientMask_; }

    // The kind of zone the last answered position of `window`'s drag took it over; none if refused.
    void answered(std::uint32_t window, std::optional<int> kind);
    std::optional<int> accepted(std::uint32_t window) const;
    // Where accepted drags are now.
    std::set<Hover> hovering() const;

private:
    struct Entry {
        Source source;
        // In the recency of all, and of its program's.
        std::list<std::uint32_t>::iterator recency;
        std::list<std::uint32_t>::iterator clientRecency;
        std::optional<int> accepted;
        // The order it entered in.
        std::uint64_t entered = 0;
    };
    void unhover(const Entry& entry);
    // Makes room by `window`'s drag: one answered a drop would be taken is remembered, so that its
    // drop is told it was not.
    void pushOut(std::uint32_t window);
    // The first entered drag of `own` whose window is not known to exist, else its least recently
    // heard: a flood heard over and over does not make a drag that waits quietly for our answer
    // look older than its own.
    std::uint32_t leastKept(const std::list<std::uint32_t>& own) const;
    // Keeps `bySize_` as the program's number of drags changes.
    void resized(std::uint32_t client, std::size_t before, std::size_t after);

    std::uint32_t clientMask_;
    std::unordered_map<std::uint32_t, Entry> sources_;
    // Most recently heard first, of all and of each program.
    std::list<std::uint32_t> recency_;
    std::unordered_map<std::uint32_t, std::list<std::uint32_t>> clients_;
    // The programs by the number of their drags (1 to `mostEach`), and the most any holds.
    std::vector<std::unordered_set<std::uint32_t>> bySize_ =
        std::vector<std::unordered_set<std::uint32_t>>(mostEach + 1);
    std::size_t most_ = 0;
    std::uint64_t entered_ = 0;
    // The latest drags pushed out after being answered that their drop would be taken.
    std::list<std::uint32_t> pushedOut_;
    std::map<Hover, int> hovers_;
};

} // namespace quorvane
