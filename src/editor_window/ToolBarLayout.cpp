#include "editor_window/ToolBarLayout.h"

#include "canvas/ToolTable.h"

#include <algorithm>

namespace quorvane {

const QStringList& ToolBarLayout::overflowOrder() {
    using Tool = ToolTable::Tool;
    static const QStringList order = [] {
        QStringList names;
        for (const Tool tool : {Tool::ruler, Tool::color, Tool::magnifier, Tool::erase, Tool::spotlight,
                                Tool::counter, Tool::pixelate, Tool::highlight, Tool::freehand, Tool::oval})
            names << ToolTable::name(tool);
        return names;
    }();
    return order;
}

ToolBarLayout ToolBarLayout::hiding(int count) {
    const QStringList hidden = overflowOrder().mid(0, std::clamp(count, 0, int(overflowOrder().size())));
    ToolBarLayout result;
    result.groups.emplace_back();
    for (const ToolTable::Row& row : ToolTable::rows()) {
        // A group starts at Redact and at Color even when that tool itself is hidden.
        if (row.tool == ToolTable::Tool::redact || row.tool == ToolTable::Tool::color)
            result.groups.emplace_back();
        if (hidden.contains(row.name)) {
            result.more << row.name;
            continue;
        }
        result.groups.back() << row.name;
    }
    std::erase_if(result.groups, [](const QStringList& group) { return group.isEmpty(); });
    return result;
}

} // namespace quorvane
