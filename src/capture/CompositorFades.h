#pragma once

// Whether a compositing manager has done painting away the windows a capture takes out. One that
// fades windows (picom or xcompmgr with fading on) paints the area frame after frame, each frame
// reported like the first, until they are gone: the area is clear once those frames stop. Whether
// a compositing manager fades is learned from what it paints, once for each one started; one not
// seen yet is given time to show that it fades. Its fades take as long as their own clock says,
// however late their frames come on a busy machine: a pause in the frames shorter than its fades
// have lasted is not taken for their end.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class CompositorFades {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit CompositorFades(Clock clock = &std::chrono::steady_clock::now);

    // A capture has taken windows out under the compositing manager `manager` (a number that
    // changes when another one runs).
    void begin(std::uint64_t manager);
    // The compositing manager painted in the area; `covered` once it has painted all of it
    // since begin().
    void painted(bool covered);
    // Whether it is done: all of the area painted, and no frame of a fade still to come.
    bool done();
    // All of the area painted, and frames of a fade may still come.
    bool fading() const { return coveredAt_.has_value() && !finished_; }

private:
    using Duration = std::chrono::steady_clock::duration;
    enum class Fading { unknown, no, yes };

    Clock clock_;
    std::uint64_t manager_ = 0;
    Fading fading_ = Fading::unknown;
    // How long its last fades lasted, from the frame that covered the area to the last.
    std::deque<Duration> fades_;
    // This capture's painting.
    std::optional<std::chrono::steady_clock::time_point> coveredAt_;
    std::chrono::steady_clock::time_point lastFrame_{};
    int framesAfter_ = 0;
    // The gaps between its frames.
    std::vector<Duration> gaps_;
    bool finished_ = false;
};

} // namespace quorvane
