#pragma once

#include "canvas/ToolTable.h"

#include <array>
#include <vector>

namespace quorvane {

// Which tools the tool bar shows, in which groups, and which it folds into the More tools menu
// when `hiding` of them leave the row. Tools leave in `overflowOrder`; there is no step that
// hides exactly one tool.
struct ToolBarLayout {
    using Tools = std::vector<ToolTable::Tool>;

    std::vector<Tools> groups; // non-empty groups, in tool order
    Tools more;                // the hidden tools, in tool order

    bool operator==(const ToolBarLayout&) const = default;

    static constexpr std::array<int, 10> overflowSteps = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    static const Tools& overflowOrder();
    // Counts beyond ten hide the same ten; negative counts hide nothing.
    static ToolBarLayout hiding(int count);
};

} // namespace quorvane
