#pragma once

// Asks a window whether its program is still answering, as a window manager does (_NET_WM_PING),
// every 100 ms from a thread and X connection of its own, and keeps how long each answer took.
// The server hands the answers only to the window manager: this is one, for a display that has
// none, and maps and places windows as they ask.
// A ping's wait starts once the server has handed it on, and an answer counts from when the
// thread last found none waiting: a busy server or a thread kept from running shortens the waits
// it measures, never lengthens them.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace quorvane::test {

class WindowPings {
public:
    using Clock = std::chrono::steady_clock;

    // Returns once it watches, or found that it cannot.
    explicit WindowPings(std::uint32_t window);
    ~WindowPings();
    WindowPings(const WindowPings&) = delete;
    WindowPings& operator=(const WindowPings&) = delete;

    // Whether it watches: no other window manager runs.
    bool watching() const { return watching_; }
    // The longest wait of a ping handed on from `from` to `to`, one still unanswered counted
    // up to now.
    std::chrono::milliseconds longestWait(Clock::time_point from, Clock::time_point to);
    // When the first ping handed on after `since` was answered; nothing while none was.
    std::optional<Clock::time_point> firstAnswerAfter(Clock::time_point since);

private:
    struct Ping {
        Clock::time_point handedOn;
        std::optional<Clock::time_point> answered;
    };

    void run(std::uint32_t window, std::promise<void>& ready);

    std::atomic<bool> stop_{false};
    std::atomic<bool> watching_{false};
    std::mutex mutex_;
    std::map<std::uint32_t, Ping> pings_;
    std::thread thread_;
};

} // namespace quorvane::test
