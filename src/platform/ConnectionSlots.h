#pragma once

// A fixed number of places for the X connections held on other programs' behalf, taken and given
// back from any thread: whatever those programs do, no more are held at once. A run of refusals
// (each within a minute of the one before) is logged once.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace quorvane {

class ConnectionSlots {
public:
    // `refusal` is logged with the number of places.
    ConnectionSlots(int count, std::string refusal);

    // Takes a place if one is free.
    bool tryTake();
    // Waits for a free place until `deadline`, or until `cancelled` (may be null) is set.
    bool take(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancelled);
    void give();

private:
    void refuse();

    const int count_;
    const std::string refusal_;
    std::mutex mutex_;
    std::condition_variable freed_;
    int taken_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastRefusal_;
};

} // namespace quorvane
