#pragma once

// Which of the user's inputs end an automatic run, and with which reason.

#include "platform/RawInputEvent.h"
#include "scrolling/AutoScrollStop.h"

#include <QPointF>
#include <optional>

namespace quorvane::AutoScrollInputClassifier {

// The pointer may wander this far (points) from where the run started.
inline constexpr double pointerSlack = 24;

// `position` is the event's pointer position in global points (mouseMoved).
std::optional<AutoScrollStop> classify(const RawInputEvent& event, const QPointF& position,
                                       const QPointF& anchor);

// A key pressed in one of our own windows, by its Qt key.
RawInputEvent::Key keyClass(int qtKey);

} // namespace quorvane::AutoScrollInputClassifier
