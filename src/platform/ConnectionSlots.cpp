#include "platform/ConnectionSlots.h"

#include "core/Log.h"

#include <algorithm>
#include <utility>

namespace quorvane {
namespace {

// How often a wait looks whether it was cancelled.
constexpr std::chrono::milliseconds cancelCheck{100};
// Refusals closer than this to the one before are one run of them, told once.
constexpr std::chrono::minutes quietBetween{1};

} // namespace

ConnectionSlots::ConnectionSlots(int count, std::string refusal)
    : count_(count), refusal_(std::move(refusal)) {}

bool ConnectionSlots::tryTake() {
    const std::lock_guard lock(mutex_);
    if (taken_ >= count_) {
        refuse();
        return false;
    }
    ++taken_;
    return true;
}

bool ConnectionSlots::take(std::chrono::steady_clock::time_point deadline,
                           const std::atomic<bool>* cancelled) {
    std::unique_lock lock(mutex_);
    if (taken_ >= count_) refuse();
    while (taken_ >= count_) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || (cancelled != nullptr && cancelled->load())) return false;
        freed_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now, cancelCheck));
    }
    ++taken_;
    return true;
}

void ConnectionSlots::give() {
    {
        const std::lock_guard lock(mutex_);
        --taken_;
    }
    freed_.notify_one();
}

void ConnectionSlots::refuse() {
    const auto now = std::chrono::steady_clock::now();
    const auto before = std::exchange(lastRefusal_, now);
    if (before && now - *before < quietBetween) return;
    Log::app().error("{} ({} at once)", refusal_, count_);
}

} // namespace quorvane
