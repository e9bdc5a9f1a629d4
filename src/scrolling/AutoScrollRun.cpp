#include "scrolling/AutoScrollRun.h"

namespace quorvane {

AutoScrollRun::Decision AutoScrollRun::next(const std::optional<ScrollStitchOutcome>& after,
                                            Surroundings surroundings) {
    using Kind = ScrollStitchOutcome::Kind;
    using Stop = AutoScrollStop::Kind;
    if (!surroundings.trusted) return Decision::stopWith(AutoScrollStop::of(Stop::permissionRevoked));
    if (!surroundings.sameTarget) return Decision::stopWith(AutoScrollStop::of(Stop::targetChanged));

    if (steps > 0) {
        const auto flip = [this] {
            retried = true;
            inverted = !inverted;
            idle = 0;
        };
        const Kind kind = after ? after->kind : Kind::noProgress;
        switch (kind) {
        case Kind::appended:
            appendedRows += after->rows;
            idle = 0;
            break;
        case Kind::lowConfidence:
            return Decision::stopWith(
                AutoScrollStop::stitchStopped(QStringLiteral("Low confidence: ") + after->message));
        case Kind::limitReached:
            return Decision::stopWith(AutoScrollStop::stitchStopped(QStringLiteral("Limit reached")));
        case Kind::reversed:
            if (appendedRows == 0 && !retried) {
                flip();
                break;
            }
            return Decision::stopWith(
                AutoScrollStop::of(appendedRows < 1 ? Stop::noEffect : Stop::contentReversed));
        case Kind::noProgress:
        case Kind::mismatched:
            if (idle + 1 < 3) {
                ++idle;
                break;
            }
            if (appendedRows != 0) {
                idle = 3;
                return Decision::stopWith(
                    AutoScrollStop::of(appendedRows >= 1 ? Stop::endReached : Stop::noEffect));
            }
            if (retried) {
                idle = 3;
                return Decision::stopWith(AutoScrollStop::of(Stop::noEffect));
            }
            flip();
            break;
        }
        if (steps >= maxSteps) return Decision::stopWith(AutoScrollStop::of(Stop::stepLimit));
    }

    ++steps;
    std::int32_t delta = direction == AutoScrollDirection::up ? step : -step;
    if (inverted) delta = -delta;
    return Decision::scrollBy(delta);
}

} // namespace quorvane
