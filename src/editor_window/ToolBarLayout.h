#pragma once

#include <QStringList>
#include <array>
#include <vector>

namespace quorvane {

// Which tools the tool bar shows, in which groups, and which it folds into the More tools menu
// when `hiding` of them leave the row. Tools leave in `overflowOrder`; there is no step that
// hides exactly one tool.
struct ToolBarLayout {
    std::vector<QStringList> groups; // non-empty groups, in tool order
    QStringList more;                // the hidden tools, in tool order

    bool operator==(const ToolBarLayout&) const = default;

    static constexpr std::array<int, 10> overflowSteps = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    static const QStringList& overflowOrder();
    // Counts beyond ten hide the same ten; negative counts hide nothing.
    static ToolBarLayout hiding(int count);
};

} // namespace quorvane
