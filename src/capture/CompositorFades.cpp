#include "capture/CompositorFades.h"

#include <algorithm>
#include <utility>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// Long enough for the next frame of any fade in use (picom and xcompmgr paint one every 10 ms by
// default), once for each compositing manager.
constexpr auto firstLook = 60ms;
// A fade is over once no frame came for this many of its gaps.
constexpr int gapsOfQuiet = 3;
constexpr auto leastQuiet = 20ms;

} // namespace

CompositorFades::CompositorFades(Clock clock) : clock_(std::move(clock)) {}

void CompositorFades::begin(std::uint64_t manager) {
    if (manager != manager_) {
        // Another compositing manager, or the same one started again, perhaps told otherwise.
        manager_ = manager;
        fading_ = Fading::unknown;
        frameGap_ = {};
    }
    coveredAt_.reset();
    framesAfter_ = 0;
}

void CompositorFades::painted(bool covered) {
    const auto now = clock_();
    if (!coveredAt_) {
        if (covered) coveredAt_ = now;
    } else {
        ++framesAfter_;
        frameGap_ = std::max(frameGap_, now - lastFrame_);
    }
    lastFrame_ = now;
}

bool CompositorFades::done() {
    if (!coveredAt_) return false;
    const auto quiet = clock_() - lastFrame_;
    // Painted again after all of it was painted: it fades.
    if (framesAfter_ > 0) fading_ = Fading::yes;
    switch (fading_) {
    case Fading::no:
        return true;
    case Fading::yes:
        return quiet >= std::max<std::chrono::steady_clock::duration>(gapsOfQuiet * frameGap_, leastQuiet);
    case Fading::unknown:
        if (quiet < firstLook) return false;
        fading_ = Fading::no;
        return true;
    }
    return true;
}

} // namespace quorvane
