#include "document/OverlayBudget.h"

#include "document/ImageBytes.h"

#include <vector>

namespace quorvane {
namespace {

std::vector<std::weak_ptr<const OverlayImage>>& entries() {
    static std::vector<std::weak_ptr<const OverlayImage>> list;
    return list;
}

} // namespace

std::int64_t OverlayBudget::liveBytes() {
    std::int64_t total = 0;
    for (const auto& entry : entries())
        if (const auto overlay = entry.lock()) total += imageByteCount(overlay->image());
    return total;
}

Result<OverlayImageRef, CompositionError> OverlayBudget::admit(QImage image) {
    auto& list = entries();
    std::erase_if(list, [](const auto& entry) { return entry.expired(); });
    if (liveBytes() + imageByteCount(image) > limitBytes) return Failure{CompositionError::overlayBudget};
    OverlayImageRef overlay(new OverlayImage(std::move(image)));
    list.push_back(overlay);
    return overlay;
}

} // namespace quorvane
