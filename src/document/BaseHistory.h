#pragma once

#include "document/BaseImage.h"

#include <cstdint>
#include <vector>

namespace quorvane {

// The bases one document has had, held weakly: a base counts only while its undo steps keep it.
struct BaseHistory {
    std::vector<std::weak_ptr<const BaseImage>> entries;

    // Drops the bases that no longer exist, then appends `base` (duplicates are kept).
    void track(const BaseImageRef& base);
    // The live bases in tracking order, every entry that is `base` left out.
    std::vector<BaseImageRef> earlier(const BaseImageRef& base) const;
    // Whether the earlier bases plus `base` stay within `maxBases` images and `maxBytes` bytes.
    bool fits(const BaseImageRef& base, std::int64_t maxBases, std::int64_t maxBytes) const;
};

} // namespace quorvane
