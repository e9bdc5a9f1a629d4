#pragma once

// The drags of other programs that the drop target follows: one state a source window, made by its
// enter and ended by its leave, its drop, its window's end or its silence. Bounded whatever is sent,
// and fair between programs: a program (an X client, told by the range of its window numbers)
// keeps at most `mostEach` drags, its own least recently heard making room for its next, so that
// no program's flood pushes out another's drag; past `mostSources` in all, the least recently heard
// of all makes room. A lookup costs a hash. No X here.

#include <QPoint>
#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
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
        Clock::time_point heard;
    };
    // An accepted drag over a zone of that kind of that window of ours.
    using Hover = std::pair<std::uint32_t, int>;

    // `clientMask` picks the program out of a window's number (the server's resource base bits).
    explicit XdndSources(std::uint32_t clientMask = 0) : clientMask_(clientMask) {}

    // A new state for `window`'s drag over `target`, replacing any it had; room is made first.
    Source& enter(std::uint32_t window, std::uint32_t named, std::uint32_t target, Clock::time_point now);
    // The state of `window`'s drag, heard from at `now`; null when none is followed.
    Source* heard(std::uint32_t window, Clock::time_point now);
    Source* find(std::uint32_t window);
    void erase(std::uint32_t window);
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
    };
    void unhover(const Entry& entry);

    std::uint32_t clientMask_;
    std::unordered_map<std::uint32_t, Entry> sources_;
    // Most recently heard first, of all and of each program.
    std::list<std::uint32_t> recency_;
    std::unordered_map<std::uint32_t, std::list<std::uint32_t>> clients_;
    std::map<Hover, int> hovers_;
};

} // namespace quorvane
