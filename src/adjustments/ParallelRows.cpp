#include "adjustments/ParallelRows.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvane {

bool parallelRows(int count, const std::function<void(int begin, int end)>& body, int minPerThread) {
    if (count <= 0) return true;
    std::atomic<bool> failed{false};
    // A range that runs out of memory fails the whole job instead of ending the process.
    const auto run = [&](int begin, int end) {
        try {
            body(begin, end);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::clamp(count / std::max(minPerThread, 1), 1, std::min(hardware, 8));
    const auto begin = [&](int i) { return static_cast<int>(static_cast<long long>(count) * i / threads); };
    std::vector<std::thread> workers;
    int firstUnstarted = 1;
    try {
        workers.reserve(static_cast<std::size_t>(threads - 1));
        for (; firstUnstarted < threads; ++firstUnstarted)
            workers.emplace_back(run, begin(firstUnstarted), begin(firstUnstarted + 1));
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    run(0, begin(1));
    if (firstUnstarted < threads) run(begin(firstUnstarted), count);
    for (std::thread& worker : workers)
        worker.join();
    return !failed;
}

} // namespace quorvane
