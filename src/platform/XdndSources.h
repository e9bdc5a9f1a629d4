#pragma once

// The drags of other programs that the drop target follows: one state a source window, made by its
// enter and ended by its leave, its drop, its window's end or its silence. Bounded whatever is sent,
// and fair between programs: a program (an X client, told by the range of its window numbers)
// keeps at most `mostEach` drags, its own least recently heard making room for its next, so that
// no program's flood pushes out another's drag; past `mostSources` in all, the program holding the
// most drags makes room. Drags whose window is not known to exist make room first, the first
// entered of them first (a flood's windows heard over and over never look newer for it); then the
// least recently heard. No X here.
//
// Each message costs the same whether the table has room or not: drags and programs live in slots
// taken and given back, linked by number, and found through tables made once, so that a flood of
// new drags that push others out allocates nothing and looks at no other drag.

#include <QPoint>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
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
        // Its window was seen to exist.
        bool exists = false;
        Clock::time_point heard;
    };
    // An accepted drag over a zone of that kind of that window of ours.
    using Hover = std::pair<std::uint32_t, int>;

    // `clientMask` picks the program out of a window's number (the server's resource base bits).
    explicit XdndSources(std::uint32_t clientMask = 0) : clientMask_(clientMask) {}

    // A new state for `window`'s drag over `target`, replacing any it had; room is made first. Its
    // window's existence is kept over a new drag. The state stays where it is until the next enter.
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
    std::size_t size() const { return size_; }
    // The program whose window `window` is.
    std::uint32_t client(std::uint32_t window) const { return window & clientMask_; }

    // Owes `window`'s drag an answer to its position, behind those its program owes already; once.
    void owe(std::uint32_t window);
    // The answer `window`'s drag was owed was given.
    void paid(std::uint32_t window);
    // Gives answers owed, program by program in turn, at most `each` of one program's and `most` in
    // all, each through `pay`, which says whether it gave it: a drag whose answer must wait keeps
    // owing it, behind its program's others. Returns the answers given.
    std::size_t payOwed(std::size_t most, std::size_t each, const std::function<bool(Source&)>& pay);

    // The kind of zone the last answered position of `window`'s drag took it over; none if refused.
    void answered(std::uint32_t window, std::optional<int> kind);
    std::optional<int> accepted(std::uint32_t window) const;
    // Where accepted drags are now.
    std::set<Hover> hovering() const;

private:
    // The number of a slot; `none` for no slot.
    using Slot = std::uint32_t;
    static constexpr Slot none = ~Slot{0};
    // Where a slot stands in a list.
    struct Links {
        Slot before = none;
        Slot after = none;
    };
    struct List {
        Slot first = none;
        Slot last = none;
        std::size_t size = 0;
    };
    struct Entry {
        Source source;
        std::optional<int> accepted;
        Slot program = none;
        // In the recency of all and of its program's; while its window is not known to exist, in
        // the order its program's such drags entered; while it is owed an answer, among its
        // program's drags that are.
        Links recency;
        Links own;
        Links unknown;
        Links owed;
    };
    struct Program {
        std::uint32_t client = 0;
        // Its drags, most recently heard first; those not known to exist, first entered first.
        List own;
        List unknown;
        // Its drags owed an answer, in turn.
        List owed;
        // Among the programs holding as many drags, and among those owed answers.
        Links bySize;
        Links owing;
    };
    // Numbers to slots, by open addressing over twice as many cells as there are slots at most.
    class Index {
    public:
        Slot find(std::uint32_t key) const;
        void insert(std::uint32_t key, Slot slot);
        void erase(std::uint32_t key);

    private:
        struct Cell {
            std::uint32_t key = 0;
            Slot slot = none;
        };
        std::size_t home(std::uint32_t key) const;
        std::vector<Cell> cells_;
    };

    template<class Item>
    static void linkFront(std::vector<Item>& items, Links Item::*links, List& list, Slot slot);
    template<class Item>
    static void linkBack(std::vector<Item>& items, Links Item::*links, List& list, Slot slot);
    template<class Item>
    static void unlink(std::vector<Item>& items, Links Item::*links, List& list, Slot slot);

    Entry* entryOf(std::uint32_t window);
    const Entry* entryOf(std::uint32_t window) const;
    // The program's slot, made if it has none.
    Slot programOf(std::uint32_t client);
    void unhover(const Entry& entry);
    // Makes room by the drag in `slot`: one answered a drop would be taken is remembered, so that its
    // drop is told it was not.
    void pushOut(Slot slot);
    void eraseSlot(Slot slot);
    void owesNoMore(Slot slot);
    // The first entered drag of the program whose window is not known to exist, else its least
    // recently heard: a flood heard over and over does not make a drag that waits quietly for our
    // answer look older than its own.
    Slot leastKept(Slot program) const;
    // Keeps the programs by size as the program's number of drags changed from `before`.
    void resized(Slot program, std::size_t before);

    std::uint32_t clientMask_;
    std::vector<Entry> entries_;
    std::vector<Slot> freeEntries_;
    std::vector<Program> programs_;
    std::vector<Slot> freePrograms_;
    Index windows_;
    Index clients_;
    std::size_t size_ = 0;
    // Most recently heard first, of all.
    List recency_;
    // The programs owed answers, in turn.
    List owing_;
    // The programs by the number of their drags (1 to `mostEach`), and the most any holds.
    std::array<List, mostEach + 1> bySize_{};
    std::size_t most_ = 0;
    // The latest drags pushed out after being answered that their drop would be taken, the latest
    // at `pushedOutNext_ - 1`.
    std::array<std::uint32_t, mostPushedOut> pushedOut_{};
    std::size_t pushedOutNext_ = 0;
    std::map<Hover, int> hovers_;
};

} // namespace quorvane
