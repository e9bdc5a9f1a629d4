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

// Zero-filled, readable and writable. None for a zero length or when the system refuses. Takes
// the spare when it has exactly this length.
std::optional<Mapping> map(std::size_t length);
void unmap(const Mapping& mapping);

// Makes a spare mapping of `length` and faults its pages in on a thread of its own, for the next
// map() of that length: a bitmap written right after it is mapped then does not wait for the
// kernel to zero each page. At most one spare is kept; a spare of another length is dropped.
void prepareSpare(std::size_t length);
// The length of the spare kept, 0 for none.
std::size_t spareLength();

// Process-wide tallies, so that leaks and double unmaps show in tests.
struct Counters {
    std::int64_t maps = 0;
    std::int64_t unmaps = 0;
    std::int64_t liveBytes = 0;
};
Counters counters();

} // namespace quorvane::AnonymousMemory
