#pragma once

#include "scrolling/ScrollTarget.h"

#include <QPointF>
#include <optional>

namespace quorvane {

// Which window lies under a point (global points), our own left out.
class ScrollTargetProbing {
public:
    virtual ~ScrollTargetProbing() = default;
    virtual std::optional<ScrollTarget> target(const QPointF& point) = 0;
};

} // namespace quorvane
