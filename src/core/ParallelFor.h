#pragma once

// Runs fn(0) … fn(count − 1) on up to one thread per core, the calling thread included, and
// returns when all are done. `fn` must not throw. Without threads to spare it all runs here.

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvane {

template<class Fn>
void parallelFor(int count, const Fn& fn) {
    if (count <= 0) return;
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int index; (index = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            fn(index);
    };
    const int threads =
        std::min<int>(count, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int i = 1; i < threads; ++i)
            helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer helpers, same result.
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
}

} // namespace quorvane
