#include "adjustments/ParallelRows.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvane {

void parallelRows(int count, const std::function<void(int begin, int end)>& body, int minPerThread) {
    if (count <= 0) return;
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::clamp(count / std::max(minPerThread, 1), 1, std::min(hardware, 8));
    if (threads == 1) {
        body(0, count);
        return;
    }
    const auto begin = [&](int i) { return static_cast<int>(static_cast<long long>(count) * i / threads); };
    std::vector<std::thread> workers;
    int firstUnstarted = threads;
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(body, begin(i), begin(i + 1));
        } catch (const std::system_error&) {
            firstUnstarted = i;
            break;
        }
    }
    body(0, begin(1));
    if (firstUnstarted < threads) body(begin(firstUnstarted), count);
    for (std::thread& worker : workers)
        worker.join();
}

} // namespace quorvane
