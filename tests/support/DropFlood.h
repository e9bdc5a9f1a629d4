#pragma once

// Other programs flooding a window with drags (XDND), as fast as the server takes them: each source
// has its own X connection and thread, enters, moves and drops over and over without waiting for
// the target's answers, and never serves the data it drops. Threads of the test process, so that the flood
// holds whatever the test does meanwhile.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace quorvane::test {

class DropFlood {
public:
    // Starts `sources` sources dropping on the window `target` at `x`, `y` of the screen.
    DropFlood(std::uint32_t target, int x, int y, int sources);
    // Stops them.
    ~DropFlood();
    DropFlood(const DropFlood&) = delete;
    DropFlood& operator=(const DropFlood&) = delete;

    // Stops every source; returns once none sends any more.
    void stop();
    // The drops sent so far, by all sources.
    std::int64_t drops() const { return drops_; }
    // Whether every source reached the server.
    bool connected() const { return connected_ == sources_; }

private:
    void flood(std::uint32_t target, std::uint32_t at);

    int sources_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connected_{0};
    std::atomic<std::int64_t> drops_{0};
    std::vector<std::thread> threads_;
};

// Another program's drag over the window `target` whose position, sent to `target`, names the root
// window instead; it enters and leaves as it should. Then the answers a drag's target sends its
// source (XdndStatus, XdndFinished), sent to `target`. Returns once the server has taken them.
void sendMisdirectedDragMessages(std::uint32_t target, int x, int y);
// `count` drags entering the window `target` from made-up sources that are no windows, none of
// which ever ends. Returns once the server has taken them.
void sendEntersFromNoWindows(std::uint32_t target, int count);

} // namespace quorvane::test
