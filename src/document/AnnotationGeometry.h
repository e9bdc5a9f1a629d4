#pragma once

// Path builders shared by the annotation's geometry operations.

#include "document/Annotation.h"
#include "document/TightPath.h"

namespace quorvane::detail {

TightPath bracketGeometry(const Annotation& annotation);
// The straight line, or the quadratic curve through `bend` when there is one.
TightPath arrowGeometry(const QPointF& start, const QPointF& end, const std::optional<QPointF>& bend);

} // namespace quorvane::detail
