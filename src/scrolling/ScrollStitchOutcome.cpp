#include "scrolling/ScrollStitchOutcome.h"

namespace quorvane {

QString ScrollStitchOutcome::frameUnreadable() {
    return QStringLiteral("The frame could not be read");
}

QString ScrollStitchOutcome::scrolledTooFar() {
    return QStringLiteral("Scrolled too far between frames — scroll slower");
}

QString ScrollStitchOutcome::ambiguousOverlap() {
    return QStringLiteral(
        "Repeating content makes the overlap ambiguous — scroll a part of the page with distinct content");
}

QString ScrollStitchOutcome::outOfMemory() {
    return QStringLiteral("Not enough memory to continue stitching");
}

} // namespace quorvane
