#include "platform/XdndSources.h"

namespace quorvane {

XdndSources::Source& XdndSources::enter(std::uint32_t window, std::uint32_t named, std::uint32_t target,
                                        Clock::time_point now) {
    erase(window);
    std::list<std::uint32_t>& own = clients_[client(window)];
    // A program's flood pushes out its own drags first, then the least recently heard of all.
    if (own.size() >= mostEach)
        erase(own.back());
    else if (sources_.size() >= mostSources)
        erase(recency_.back());
    recency_.push_front(window);
    own.push_front(window);
    Entry& entry = sources_[window];
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
        if (own->second.empty()) clients_.erase(own);
    }
    sources_.erase(found);
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
