#include "platform/XdndSources.h"

#include <algorithm>

namespace quorvane {

XdndSources::Source& XdndSources::enter(std::uint32_t window, std::uint32_t named, std::uint32_t target,
                                        Clock::time_point now) {
    // A source entering again starts afresh in its place: a flood of enters costs no allocation.
    if (Source* again = heard(window, now)) {
        Entry& entry = sources_.at(window);
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
    std::list<std::uint32_t>& own = clients_[client(window)];
    // A program's flood pushes out its own drags first; with all full, the program holding the most
    // makes room, so that a flood spread over made-up programs still costs its own drags.
    if (own.size() >= mostEach)
        pushOut(leastKept(own));
    else if (sources_.size() >= mostSources)
        pushOut(leastKept(clients_.at(*bySize_[most_].begin())));
    recency_.push_front(window);
    own.push_front(window);
    resized(client(window), own.size() - 1, own.size());
    Entry& entry = sources_[window];
    entry.entered = ++entered_;
    entry.recency = recency_.begin();
    entry.clientRecency = own.begin();
    entry.source.window = window;
    entry.source.named = named;
    entry.source.target = target;
    entry.source.heard = now;
    return entry.source;
}

XdndSources::Source* XdndSources::heard(std::uint32_t window, Clock::time_point now) {
    const auto found = sources_.find(window);
    if (found == sources_.end()) return nullptr;
    recency_.splice(recency_.begin(), recency_, found->second.recency);
    std::list<std::uint32_t>& own = clients_[client(window)];
    own.splice(own.begin(), own, found->second.clientRecency);
    found->second.source.heard = now;
    return &found->second.source;
}

XdndSources::Source* XdndSources::find(std::uint32_t window) {
    const auto found = sources_.find(window);
    return found != sources_.end() ? &found->second.source : nullptr;
}

void XdndSources::erase(std::uint32_t window) {
    const auto found = sources_.find(window);
    if (found == sources_.end()) return;
    unhover(found->second);
    recency_.erase(found->second.recency);
    if (const auto own = clients_.find(client(window)); own != clients_.end()) {
        own->second.erase(found->second.clientRecency);
        resized(own->first, own->second.size() + 1, own->second.size());
        if (own->second.empty()) clients_.erase(own);
    }
    sources_.erase(found);
}

void XdndSources::exists(std::uint32_t window) {
    if (Source* source = find(window)) {
        source->exists = true;
        source->checking = false;
    }
}

bool XdndSources::pushedOut(std::uint32_t window) {
    const auto found = std::find(pushedOut_.begin(), pushedOut_.end(), window);
    if (found == pushedOut_.end()) return false;
    pushedOut_.erase(found);
    return true;
}

void XdndSources::pushOut(std::uint32_t window) {
    if (accepted(window)) {
        pushedOut_.push_front(window);
        if (pushedOut_.size() > mostPushedOut) pushedOut_.pop_back();
    }
    erase(window);
}

std::uint32_t XdndSources::leastKept(const std::list<std::uint32_t>& own) const {
    std::optional<std::pair<std::uint64_t, std::uint32_t>> first;
    for (const std::uint32_t window : own)
        if (const Entry& entry = sources_.at(window);
            !entry.source.exists && (!first || entry.entered < first->first))
            first = {entry.entered, window};
    return first ? first->second : own.back();
}

void XdndSources::resized(std::uint32_t client, std::size_t before, std::size_t after) {
    if (before > 0) bySize_[before].erase(client);
    if (after > 0) bySize_[after].insert(client);
    most_ = std::max(most_, after);
    while (most_ > 0 && bySize_[most_].empty())
        --most_;
}

void XdndSources::eraseOver(std::uint32_t target) {
    std::vector<std::uint32_t> over;
    for (const auto& [window, entry] : sources_)
        if (entry.source.target == target) over.push_back(window);
    for (const std::uint32_t window : over)
        erase(window);
}

std::vector<std::uint32_t> XdndSources::silent(Clock::time_point now) const {
    std::vector<std::uint32_t> found;
    for (auto each = recency_.rbegin(); each != recency_.rend(); ++each) {
        if (now - sources_.at(*each).source.heard < silence) break;
        found.push_back(*each);
    }
    return found;
}

void XdndSources::answered(std::uint32_t window, std::optional<int> kind) {
    const auto found = sources_.find(window);
    if (found == sources_.end() || found->second.accepted == kind) return;
    unhover(found->second);
    found->second.accepted = kind;
    if (kind) ++hovers_[{found->second.source.target, *kind}];
}

std::optional<int> XdndSources::accepted(std::uint32_t window) const {
    const auto found = sources_.find(window);
    return found != sources_.end() ? found->second.accepted : std::nullopt;
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
