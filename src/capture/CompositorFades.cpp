#include "capture/CompositorFades.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// Long enough for the next frame of any fade in use (picom and xcompmgr paint one every 10 ms by
// default), once for each compositing manager.
constexpr auto firstLook = 60ms;
// Reports this close together belong to one frame.
constexpr auto oneFrame = 3ms;
// A fade is over once no frame came for this many of its usual gaps (a pause of a busy machine
// is not its pace), and for no less than the least.
constexpr int gapsOfQuiet = 3;
constexpr auto leastQuiet = 40ms;

template<class T>
T median(std::vector<T> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}
// Fades remembered; a fade of a handful of frames is one begun from a window half faded in.
constexpr std::size_t remembered = 5;
constexpr int framesOfAWholeFade = 3;

} // namespace

CompositorFades::CompositorFades(Clock clock) : clock_(std::move(clock)) {}

void CompositorFades::begin(std::uint64_t manager) {
    if (manager != manager_) {
        // Another compositing manager, or the same one started again, perhaps told otherwise.
        manager_ = manager;
        fading_ = Fading::unknown;
        fades_.clear();
    }
    coveredAt_.reset();
    framesAfter_ = 0;
    gaps_.clear();
    finished_ = false;
}

void CompositorFades::painted(bool covered) {
    const auto now = clock_();
    if (!coveredAt_) {
        if (covered) coveredAt_ = now;
    } else if (now - lastFrame_ >= oneFrame) {
        ++framesAfter_;
        gaps_.push_back(now - lastFrame_);
    }
    lastFrame_ = now;
}

bool CompositorFades::done() {
    if (!coveredAt_) return false;
    if (finished_) return true;
    const auto now = clock_();
    const auto quiet = now - lastFrame_;
    // Painted again after all of it was painted: it fades.
    if (framesAfter_ > 0) fading_ = Fading::yes;
    switch (fading_) {
    case Fading::no:
        break;
    case Fading::unknown:
        if (quiet < firstLook) return false;
        fading_ = Fading::no;
        break;
    case Fading::yes: {
        const Duration pace = gaps_.empty() ? Duration{} : median(gaps_);
        if (quiet < std::max<Duration>(gapsOfQuiet * pace, leastQuiet)) return false;
        if (!fades_.empty() &&
            now - *coveredAt_ < median(std::vector<Duration>(fades_.begin(), fades_.end())) * 9 / 10)
            return false;
        if (framesAfter_ >= framesOfAWholeFade) {
            fades_.push_back(lastFrame_ - *coveredAt_);
            if (fades_.size() > remembered) fades_.pop_front();
        }
        break;
    }
    }
    finished_ = true;
    return true;
}

} // namespace quorvane
