#pragma once

// The pure policy of automatic and edge-driven scrolling: after each step, scroll on (and by how
// much, with which sign) or stop, and why.

#include "scrolling/AutoScrollDirection.h"
#include "scrolling/AutoScrollStop.h"
#include "scrolling/ScrollStitchOutcome.h"

#include <cstdint>
#include <optional>

namespace quorvane {

struct AutoScrollRun {
    // Either a signed wheel delta in pixels to post next, or the end of the run.
    struct Decision {
        std::optional<std::int32_t> scroll;
        std::optional<AutoScrollStop> stop;

        static Decision scrollBy(std::int32_t delta) { return {delta, std::nullopt}; }
        static Decision stopWith(AutoScrollStop reason) { return {std::nullopt, std::move(reason)}; }
        bool operator==(const Decision&) const = default;
    };

    // A run makes at most this many scroll steps.
    static constexpr long maxSteps = 2000;

    AutoScrollDirection direction = AutoScrollDirection::down;
    // One step in pixels, at least 4.
    std::int32_t step = 4;
    // Flips the sign of every delta (a wheel the application reads the other way).
    bool inverted = false;
    long steps = 0;
    long appendedRows = 0;
    // Reports in a row without progress.
    int idle = 0;
    // The one flip of `inverted` a run may make has been used.
    bool retried = false;

    static AutoScrollRun make(AutoScrollDirection direction, std::int32_t step, bool inverted) {
        return AutoScrollRun{direction, step, inverted};
    }

    // What the run finds around it before a step.
    struct Surroundings {
        // Scroll events may be posted.
        bool trusted = true;
        // The window under the scroll point is still the one the run started on.
        bool sameTarget = true;
    };

    // Called once before every step. `after` is the outcome of the frame taken after the previous
    // step.
    Decision next(const std::optional<ScrollStitchOutcome>& after, Surroundings surroundings);

    bool operator==(const AutoScrollRun&) const = default;
};

} // namespace quorvane
