#include "platform/KeptOutDrags.h"

#include <algorithm>

namespace quorvane {

std::vector<KeptOutDrags::Kept>::iterator KeptOutDrags::find(std::uint32_t source) {
    return std::find_if(kept_.begin(), kept_.end(),
                        [source](const Kept& kept) { return kept.drag.source == source; });
}

void KeptOutDrags::entered(std::uint32_t source, std::uint32_t window, const Message& enter,
                           Clock::time_point now) {
    const auto found = find(source);
    if (found != kept_.end() && found->waiting) {
        found->drag.window = window;
        found->drag.enter = enter;
        found->drag.position.reset();
        return;
    }
    // A new drag of a source whose last one ended goes to the end of the line.
    const bool ends = found != kept_.end() && found->ends;
    if (found != kept_.end())
        kept_.erase(found);
    else if (kept_.size() >= most)
        makeRoom(Room::ofWaiting);
    insert({Drag{source, window, enter, std::nullopt, now}, true, ends});
}

void KeptOutDrags::moved(std::uint32_t source, std::uint32_t window, const Message& position) {
    const auto found = find(source);
    if (found != kept_.end() && found->waiting && found->drag.window == window)
        found->drag.position = position;
}

void KeptOutDrags::ended(std::uint32_t source, std::uint32_t window) {
    const auto found = find(source);
    if (found == kept_.end() || !found->waiting || found->drag.window != window) return;
    found->waiting = false;
    found->ends = true;
    found->drag.position.reset();
}

void KeptOutDrags::wait(const Drag& drag) {
    const auto found = find(drag.source);
    const bool ends = found != kept_.end() && found->ends;
    if (found != kept_.end())
        kept_.erase(found);
    else if (kept_.size() >= most && !makeRoom(Room::ofEnded))
        return;
    insert({drag, true, ends});
}

void KeptOutDrags::forget(std::uint32_t source) {
    const auto found = find(source);
    if (found != kept_.end()) kept_.erase(found);
}

const KeptOutDrags::Drag* KeptOutDrags::oldest() const {
    const auto found =
        std::find_if(kept_.begin(), kept_.end(), [](const Kept& kept) { return kept.waiting; });
    return found != kept_.end() ? &found->drag : nullptr;
}

std::vector<KeptOutDrags::Drag> KeptOutDrags::waiting() const {
    std::vector<Drag> drags;
    for (const Kept& kept : kept_)
        if (kept.waiting) drags.push_back(kept.drag);
    return drags;
}

bool KeptOutDrags::makeRoom(Room room) {
    if (const auto over =
            std::find_if(kept_.begin(), kept_.end(), [](const Kept& kept) { return !kept.waiting; });
        over != kept_.end()) {
        kept_.erase(over);
        return true;
    }
    auto newest = std::find_if(kept_.rbegin(), kept_.rend(), [](const Kept& kept) { return kept.ends; });
    // The drags that waited longest stay; a drag that enters once such a flood is over is remembered.
    if (newest == kept_.rend() && room == Room::ofWaiting) newest = kept_.rbegin();
    if (newest == kept_.rend()) return false;
    kept_.erase(std::next(newest).base());
    return true;
}

void KeptOutDrags::insert(Kept kept) {
    const auto place =
        std::upper_bound(kept_.begin(), kept_.end(), kept.drag.since,
                         [](Clock::time_point since, const Kept& each) { return since < each.drag.since; });
    kept_.insert(place, std::move(kept));
}

} // namespace quorvane
