#include "platform/XdndSources.h"

#include <algorithm>
#include <random>
#include <utility>

namespace quorvane {
namespace {

// Cells of an index: a power of two, twice the slots at most, so that a search ends soon.
constexpr std::size_t cells = 2 * XdndSources::mostSources;
// A drag's list of types keeps its room for the next drag in its slot up to this; a longer one is
// given back, so that a flood of long lists holds no more once it ends.
constexpr std::size_t keptTypes = 16;

} // namespace

XdndSources::Slot XdndSources::Index::find(std::uint32_t key) const {
    if (cells_.empty()) return none;
    for (std::size_t at = home(key);; at = (at + 1) % cells) {
        const Cell& cell = cells_[at];
        if (cell.slot == none || cell.key == key) return cell.slot;
    }
}

void XdndSources::Index::insert(std::uint32_t key, Slot slot) {
    if (cells_.empty()) cells_.resize(cells);
    std::size_t at = home(key);
    while (cells_[at].slot != none && cells_[at].key != key)
        at = (at + 1) % cells;
    cells_[at] = {key, slot};
}

void XdndSources::Index::erase(std::uint32_t key) {
    if (cells_.empty()) return;
    std::size_t at = home(key);
    while (cells_[at].key != key) {
        if (cells_[at].slot == none) return;
        at = (at + 1) % cells;
    }
    // The cells after it that would be found no more across the gap move back into it.
    for (std::size_t next = (at + 1) % cells; cells_[next].slot != none; next = (next + 1) % cells) {
        const std::size_t wanted = home(cells_[next].key);
        if ((next - wanted + cells) % cells >= (next - at + cells) % cells) {
            cells_[at] = cells_[next];
            at = next;
        }
    }
    cells_[at] = Cell{};
}

std::size_t XdndSources::Index::home(std::uint32_t key) const {
    // Every bit of the number stirred into every bit of the cell, made-up windows may differ in
    // their high bits (the program) as often as in their low ones; with a secret of the process, so
    // that a program cannot pick numbers that all land in a few cells and make each search long.
    static const std::uint64_t secret = [] {
        std::random_device device;
        return std::uint64_t{device()} << 32 | device();
    }();
    std::uint64_t mixed = key ^ secret;
    mixed ^= mixed >> 33;
    mixed *= 0xff51afd7ed558ccdull;
    mixed ^= mixed >> 33;
    mixed *= 0xc4ceb9fe1a85ec53ull;
    mixed ^= mixed >> 33;
    return static_cast<std::size_t>(mixed % cells);
}

template<class Item>
void XdndSources::linkFront(std::vector<Item>& items, Links Item::*links, List& list, Slot slot) {
    (items[slot].*links) = {none, list.first};
    if (list.first != none)
        (items[list.first].*links).before = slot;
    else
        list.last = slot;
    list.first = slot;
    ++list.size;
}

template<class Item>
void XdndSources::linkBack(std::vector<Item>& items, Links Item::*links, List& list, Slot slot) {
    (items[slot].*links) = {list.last, none};
    if (list.last != none)
        (items[list.last].*links).after = slot;
    else
        list.first = slot;
    list.last = slot;
    ++list.size;
}

template<class Item>
void XdndSources::unlink(std::vector<Item>& items, Links Item::*links, List& list, Slot slot) {
    const Links at = items[slot].*links;
    if (at.before != none)
        (items[at.before].*links).after = at.after;
    else
        list.first = at.after;
    if (at.after != none)
        (items[at.after].*links).before = at.before;
    else
        list.last = at.before;
    items[slot].*links = {};
    --list.size;
}

XdndSources::Entry* XdndSources::entryOf(std::uint32_t window) {
    const Slot slot = windows_.find(window);
    return slot != none ? &entries_[slot] : nullptr;
}

const XdndSources::Entry* XdndSources::entryOf(std::uint32_t window) const {
    const Slot slot = windows_.find(window);
    return slot != none ? &entries_[slot] : nullptr;
}

XdndSources::Source& XdndSources::enter(std::uint32_t window, std::uint32_t named, std::uint32_t target,
                                        Clock::time_point now) {
    // A source entering again starts afresh in its place.
    if (Source* again = heard(window, now)) {
        Entry& entry = entries_[windows_.find(window)];
        unhover(entry);
        entry.accepted.reset();
        again->named = named;
        again->target = target;
        again->types.clear();
        again->typesState = Source::Types::known;
        // One answer owed stays owed, for the position that follows.
        again->position.reset();
        return *again;
    }
    // A program's flood pushes out its own drags first; with all full, the program holding the most
    // makes room, so that a flood spread over made-up programs still costs its own drags.
    if (const Slot own = clients_.find(client(window)); own != none && programs_[own].own.size >= mostEach)
        pushOut(leastKept(own));
    else if (size_ >= mostSources)
        pushOut(leastKept(bySize_[most_].first));
    if (entries_.empty()) {
        // Taken once, so that no slot moves for as long as the drop target lives.
        entries_.reserve(mostSources);
        programs_.reserve(mostSources);
    }
    const Slot program = programOf(client(window));
    Slot slot = none;
    if (!freeEntries_.empty()) {
        slot = freeEntries_.back();
        freeEntries_.pop_back();
    } else {
        slot = static_cast<Slot>(entries_.size());
        entries_.emplace_back();
    }
    Entry& entry = entries_[slot];
    // What the slot held before keeps its room.
    std::vector<std::uint32_t> types = std::move(entry.source.types);
    std::vector<std::optional<std::uint32_t>> asks = std::move(entry.source.asks);
    types.clear();
    asks.clear();
    entry.source = Source();
    entry.source.window = window;
    entry.source.named = named;
    entry.source.target = target;
    entry.source.types = std::move(types);
    entry.source.asks = std::move(asks);
    entry.source.heard = now;
    entry.accepted.reset();
    entry.program = program;
    linkFront(entries_, &Entry::recency, recency_, slot);
    linkFront(entries_, &Entry::own, programs_[program].own, slot);
    linkBack(entries_, &Entry::unknown, programs_[program].unknown, slot);
    resized(program, programs_[program].own.size - 1);
    windows_.insert(window, slot);
    ++size_;
    return entry.source;
}

XdndSources::Slot XdndSources::programOf(std::uint32_t client) {
    if (const Slot found = clients_.find(client); found != none) return found;
    Slot slot = none;
    if (!freePrograms_.empty()) {
        slot = freePrograms_.back();
        freePrograms_.pop_back();
    } else {
        slot = static_cast<Slot>(programs_.size());
        programs_.emplace_back();
    }
    programs_[slot] = Program();
    programs_[slot].client = client;
    clients_.insert(client, slot);
    return slot;
}

XdndSources::Source* XdndSources::heard(std::uint32_t window, Clock::time_point now) {
    const Slot slot = windows_.find(window);
    if (slot == none) return nullptr;
    Entry& entry = entries_[slot];
    if (recency_.first != slot) {
        unlink(entries_, &Entry::recency, recency_, slot);
        linkFront(entries_, &Entry::recency, recency_, slot);
    }
    if (List& own = programs_[entry.program].own; own.first != slot) {
        unlink(entries_, &Entry::own, own, slot);
        linkFront(entries_, &Entry::own, own, slot);
    }
    entry.source.heard = now;
    return &entry.source;
}

XdndSources::Source* XdndSources::find(std::uint32_t window) {
    Entry* entry = entryOf(window);
    return entry != nullptr ? &entry->source : nullptr;
}

void XdndSources::erase(std::uint32_t window) {
    if (const Slot slot = windows_.find(window); slot != none) eraseSlot(slot);
}

void XdndSources::eraseSlot(Slot slot) {
    Entry& entry = entries_[slot];
    unhover(entry);
    Program& program = programs_[entry.program];
    unlink(entries_, &Entry::recency, recency_, slot);
    unlink(entries_, &Entry::own, program.own, slot);
    if (!entry.source.exists) unlink(entries_, &Entry::unknown, program.unknown, slot);
    if (entry.source.owed) owesNoMore(slot);
    resized(entry.program, program.own.size + 1);
    if (program.own.size == 0) {
        clients_.erase(program.client);
        freePrograms_.push_back(entry.program);
    }
    windows_.erase(entry.source.window);
    if (entry.source.types.capacity() > keptTypes) entry.source.types = {};
    entry.source.window = 0;
    freeEntries_.push_back(slot);
    --size_;
}

void XdndSources::exists(std::uint32_t window) {
    const Slot slot = windows_.find(window);
    if (slot == none || entries_[slot].source.exists) return;
    entries_[slot].source.exists = true;
    unlink(entries_, &Entry::unknown, programs_[entries_[slot].program].unknown, slot);
}

bool XdndSources::pushedOut(std::uint32_t window) {
    const auto found = std::find(pushedOut_.begin(), pushedOut_.end(), window);
    if (window == 0 || found == pushedOut_.end()) return false;
    *found = 0;
    return true;
}

void XdndSources::pushOut(Slot slot) {
    if (entries_[slot].accepted) {
        pushedOut_[pushedOutNext_] = entries_[slot].source.window;
        pushedOutNext_ = (pushedOutNext_ + 1) % mostPushedOut;
    }
    eraseSlot(slot);
}

XdndSources::Slot XdndSources::leastKept(Slot program) const {
    const Program& own = programs_[program];
    return own.unknown.first != none ? own.unknown.first : own.own.last;
}

void XdndSources::resized(Slot program, std::size_t before) {
    const std::size_t after = programs_[program].own.size;
    if (before > 0) unlink(programs_, &Program::bySize, bySize_[before], program);
    if (after > 0) linkFront(programs_, &Program::bySize, bySize_[after], program);
    most_ = std::max(most_, after);
    while (most_ > 0 && bySize_[most_].size == 0)
        --most_;
}

void XdndSources::eraseOver(std::uint32_t target) {
    std::vector<std::uint32_t> over;
    for (Slot slot = recency_.first; slot != none; slot = entries_[slot].recency.after)
        if (entries_[slot].source.target == target) over.push_back(entries_[slot].source.window);
    for (const std::uint32_t window : over)
        erase(window);
}

std::vector<std::uint32_t> XdndSources::silent(Clock::time_point now) const {
    std::vector<std::uint32_t> found;
    for (Slot slot = recency_.last; slot != none; slot = entries_[slot].recency.before) {
        if (now - entries_[slot].source.heard < silence) break;
        found.push_back(entries_[slot].source.window);
    }
    return found;
}

void XdndSources::owe(std::uint32_t window) {
    const Slot slot = windows_.find(window);
    if (slot == none || std::exchange(entries_[slot].source.owed, true)) return;
    const Slot program = entries_[slot].program;
    linkBack(entries_, &Entry::owed, programs_[program].owed, slot);
    if (programs_[program].owed.size == 1) linkBack(programs_, &Program::owing, owing_, program);
}

void XdndSources::paid(std::uint32_t window) {
    if (const Slot slot = windows_.find(window); slot != none && entries_[slot].source.owed) owesNoMore(slot);
}

void XdndSources::owesNoMore(Slot slot) {
    entries_[slot].source.owed = false;
    const Slot program = entries_[slot].program;
    unlink(entries_, &Entry::owed, programs_[program].owed, slot);
    if (programs_[program].owed.size == 0) unlink(programs_, &Program::owing, owing_, program);
}

std::size_t XdndSources::payOwed(std::size_t most, std::size_t each,
                                 const std::function<bool(Source&)>& pay) {
    std::size_t given = 0;
    for (std::size_t turns = owing_.size; turns > 0 && given < most; --turns) {
        const Slot program = owing_.first;
        // Its next turn comes after every other program's.
        unlink(programs_, &Program::owing, owing_, program);
        linkBack(programs_, &Program::owing, owing_, program);
        List& owed = programs_[program].owed;
        std::size_t its = 0;
        for (std::size_t looked = owed.size; looked > 0 && its < each; --looked) {
            const Slot slot = owed.first;
            if (!pay(entries_[slot].source)) {
                unlink(entries_, &Entry::owed, owed, slot);
                linkBack(entries_, &Entry::owed, owed, slot);
                continue;
            }
            ++its;
            owesNoMore(slot);
        }
        given += its;
    }
    return given;
}

void XdndSources::answered(std::uint32_t window, std::optional<int> kind) {
    Entry* entry = entryOf(window);
    if (entry == nullptr || entry->accepted == kind) return;
    unhover(*entry);
    entry->accepted = kind;
    if (kind) ++hovers_[{entry->source.target, *kind}];
}

std::optional<int> XdndSources::accepted(std::uint32_t window) const {
    const Entry* entry = entryOf(window);
    return entry != nullptr ? entry->accepted : std::nullopt;
}

std::set<XdndSources::Hover> XdndSources::hovering() const {
    std::set<Hover> over;
    for (const auto& [hover, count] : hovers_)
        over.insert(hover);
    return over;
}

void XdndSources::unhover(const Entry& entry) {
    if (!entry.accepted) return;
    const Hover hover{entry.source.target, *entry.accepted};
    if (--hovers_[hover] == 0) hovers_.erase(hover);
}

} // namespace quorvane
