#include "platform/Prefault.h"

#include <algorithm>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace quorvane::Prefault {

std::thread start(void* address, std::size_t length) {
    // Below a few huge pages a thread costs more than the faults it saves.
    if (length < (std::size_t{8} << 20)) return {};
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(address) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(address) + length;
    try {
        return std::thread([begin, end] {
            // Two-megabyte steps, a huge page each, keep ahead of the decoder without locking the
            // whole range at once.
            constexpr std::uintptr_t step = 2 << 20;
            for (std::uintptr_t at = begin; at < end; at += step)
                if (::madvise(reinterpret_cast<void*>(at), std::min(step, end - at), MADV_POPULATE_WRITE) !=
                    0)
                    return;
        });
    } catch (const std::system_error&) {
        return {};
    }
}

} // namespace quorvane::Prefault
