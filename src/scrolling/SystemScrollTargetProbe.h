#pragma once

#include "platform/X11StackedWindow.h"
#include "scrolling/ScrollTargetProbing.h"

#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane {

class X11InputConnection;

class SystemScrollTargetProbe final : public ScrollTargetProbing {
public:
    // `ownWindows` lists our windows, which are never a target.
    SystemScrollTargetProbe(X11InputConnection& connection,
                            std::function<std::vector<std::uint32_t>()> ownWindows);

    std::optional<ScrollTarget> target(const QPointF& point) override;

    // The first window, front to back, that is not ours, stands at the ordinary layer, is not
    // fully transparent and holds `pixel` (root pixels).
    static std::optional<ScrollTarget> topmost(const std::vector<X11StackedWindow>& windows, QPoint pixel,
                                               const std::vector<std::uint32_t>& excluded);

private:
    X11InputConnection& connection_;
    std::function<std::vector<std::uint32_t>()> ownWindows_;
};

} // namespace quorvane
