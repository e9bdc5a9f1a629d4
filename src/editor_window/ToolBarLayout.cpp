#include "editor_window/ToolBarLayout.h"

#include <algorithm>

namespace quorvane {

const ToolBarLayout::Tools& ToolBarLayout::overflowOrder() {
    using Tool = ToolTable::Tool;
    static const Tools order = {Tool::ruler,     Tool::color,   Tool::magnifier, Tool::erase,
                                Tool::spotlight, Tool::counter, Tool::pixelate,  Tool::highlight,
                                Tool::freehand,  Tool::oval};
    return order;
}

ToolBarLayout ToolBarLayout::hiding(int count) {
    const Tools& order = overflowOrder();
    const Tools hidden(order.begin(), order.begin() + std::clamp(count, 0, int(order.size())));
    ToolBarLayout result;
    result.groups.emplace_back();
    for (const ToolTable::Row& row : ToolTable::rows()) {
        // A group starts at Redact and at Color even when that tool itself is hidden.
        if (row.tool == ToolTable::Tool::redact || row.tool == ToolTable::Tool::color)
            result.groups.emplace_back();
        if (std::ranges::find(hidden, row.tool) != hidden.end()) {
            result.more.push_back(row.tool);
            continue;
        }
        result.groups.back().push_back(row.tool);
    }
    std::erase_if(result.groups, [](const Tools& group) { return group.empty(); });
    return result;
}

} // namespace quorvane
