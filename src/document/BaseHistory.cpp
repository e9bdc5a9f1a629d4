#include "document/BaseHistory.h"

#include "document/ImageBytes.h"

namespace quorvane {

void BaseHistory::track(const BaseImageRef& base) {
    std::erase_if(entries, [](const auto& entry) { return entry.expired(); });
    entries.push_back(base);
}

std::vector<BaseImageRef> BaseHistory::earlier(const BaseImageRef& base) const {
    std::vector<BaseImageRef> result;
    for (const auto& entry : entries)
        if (auto live = entry.lock(); live && live != base) result.push_back(std::move(live));
    return result;
}

bool BaseHistory::fits(const BaseImageRef& base, std::int64_t maxBases, std::int64_t maxBytes) const {
    auto candidates = earlier(base);
    candidates.push_back(base);
    if (static_cast<std::int64_t>(candidates.size()) > maxBases) return false;
    std::int64_t total = 0;
    for (const auto& candidate : candidates)
        if (candidate) total += imageByteCount(candidate->image());
    return total <= maxBytes;
}

} // namespace quorvane
