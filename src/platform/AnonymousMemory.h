#pragma once

// Anonymous private memory maps for large pixel buffers: their pages stay off the allocator's
// heap and go back to the system the moment they are unmapped.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvane::AnonymousMemory {

struct Mapping {
    void* address = nullptr;
    std::size_t length = 0;
};

// Zero-filled, readable and writable. None for a zero length or when the system refuses.
std::optional<Mapping> map(std::size_t length);
void unmap(const Mapping& mapping);

// Process-wide tallies, so that leaks and double unmaps show in tests.
struct Counters {
    std::int64_t maps = 0;
    std::int64_t unmaps = 0;
    std::int64_t liveBytes = 0;
};
Counters counters();

} // namespace quorvane::AnonymousMemory
