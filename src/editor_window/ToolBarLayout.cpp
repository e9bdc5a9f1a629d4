#include "editor_window/ToolBarLayout.h"

#include "canvas/EditorCanvasSettings.h"

namespace quorvane {

const QStringList& ToolBarLayout::overflowOrder() {
    static const QStringList order = {
        QStringLiteral("Ruler"),    QStringLiteral("Color"),     QStringLiteral("Magnifier"),
        QStringLiteral("Erase"),    QStringLiteral("Spotlight"), QStringLiteral("Counter"),
        QStringLiteral("Pixelate"), QStringLiteral("Highlight"), QStringLiteral("Freehand"),
        QStringLiteral("Oval"),
    };
    return order;
}

ToolBarLayout ToolBarLayout::hiding(int count) {
    const QStringList hidden = overflowOrder().mid(0, std::clamp(count, 0, int(overflowOrder().size())));
    ToolBarLayout result;
    result.groups.emplace_back();
    for (const QString& name : EditorCanvasSettings::tools()) {
        // A group starts at Redact and at Color even when that tool itself is hidden.
        if (name == QStringLiteral("Redact") || name == QStringLiteral("Color")) result.groups.emplace_back();
        if (hidden.contains(name)) {
            result.more << name;
            continue;
        }
        result.groups.back() << name;
    }
    std::erase_if(result.groups, [](const QStringList& group) { return group.isEmpty(); });
    return result;
}

} // namespace quorvane
