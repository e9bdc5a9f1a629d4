#pragma once

#include "core/Result.h"
#include "document/CompositionError.h"
#include "document/OverlayImage.h"

#include <cstdint>

namespace quorvane {

// One process-wide budget for all added overlay images. Entries are weak: an overlay leaves the
// budget by itself once no annotation, undo step or pending operation holds it. GUI thread only.
class OverlayBudget {
public:
    static constexpr std::int64_t limitBytes = 268'435'456;

    OverlayBudget() = delete;

    // Bytes of the overlays still alive; removes nothing.
    static std::int64_t liveBytes();
    // A new overlay for `image`, or overlayBudget when it would take the live total past the
    // limit, in which case nothing is recorded.
    static Result<OverlayImageRef, CompositionError> admit(QImage image);
};

} // namespace quorvane
