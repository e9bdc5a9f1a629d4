#pragma once

// Whether a compositing manager has done painting away the windows a capture takes out. One that
// fades windows (picom or xcompmgr with fading on) paints the area frame after frame, each frame
// reported like the first, until they are gone: the area is clear once those frames stop. Whether
// a compositing manager fades, and how far apart its frames come, is learned from what it
// paints; one not seen yet is given time to show that it fades, once.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane {

class CompositorFades {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit CompositorFades(Clock clock = &std::chrono::steady_clock::now);

    // A capture has taken windows out under the compositing manager `manager` (a number that
    // changes when another one runs).
    void begin(std::uint64_t manager);
    // The compositing manager painted in the area; `covered` once all of it has been painted
    // since begin().
    void painted(bool covered);
    // Whether it is done: all of the area painted, and no frame of a fade still to come.
    bool done();

private:
    enum class Fading { unknown, no, yes };

    Clock clock_;
    std::uint64_t manager_ = 0;
    Fading fading_ = Fading::unknown;
    std::chrono::steady_clock::duration frameGap_{};
    // This capture's painting.
    std::optional<std::chrono::steady_clock::time_point> coveredAt_;
    std::chrono::steady_clock::time_point lastFrame_{};
    int framesAfter_ = 0;
};

} // namespace quorvane
