#include "platform/AnonymousMemory.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace quorvane::AnonymousMemory {
namespace {
constexpr std::size_t hugePageSize = 2 << 20;
// The spare is made while the bitmap before it is still being encoded and saved on every core:
// its pages are faulted in after that, well before a person takes the next capture.
constexpr auto fillDelay = std::chrono::milliseconds(250);
std::atomic<std::int64_t> mapCount{0};
std::atomic<std::int64_t> unmapCount{0};
std::atomic<std::int64_t> liveByteCount{0};

void* rawMap(std::size_t length) {
    void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED || address == nullptr) return nullptr;
    // Huge pages cut the page faults of a freshly written bitmap about fourfold. Untouched pages
    // still cost nothing.
    if (length >= hugePageSize) ::madvise(address, length, MADV_HUGEPAGE);
    return address;
}

// Faults every page in for writing without changing a byte, a huge page at a time: the
// process's memory map stays free for others in between, and `stop` ends it early.
void populate(void* address, std::size_t length, const std::atomic<bool>& stop) {
    auto* bytes = static_cast<unsigned char*>(address);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (std::size_t at = 0; at < length && !stop.load(std::memory_order_relaxed); at += hugePageSize) {
        const std::size_t step = std::min(hugePageSize, length - at);
        if (::madvise(bytes + at, step, MADV_POPULATE_WRITE) == 0) continue;
        // Older kernels: a zero written over a zero.
        for (std::size_t offset = 0; offset < step; offset += page)
            static_cast<volatile unsigned char*>(bytes)[at + offset] = 0;
    }
}

// The one spare mapping, with the thread that faults it in.
class Spare {
public:
    // At exit the system takes the memory back: a filler still at work is left to it rather
    // than waited for.
    ~Spare() {
        {
            const std::lock_guard lock(waitMutex_);
            stop_.store(true);
        }
        wake_.notify_all();
        if (filler_.joinable()) filler_.detach();
    }

    void prepare(std::size_t length) {
        const std::lock_guard lock(mutex_);
        if (address_ != nullptr && length_ == length) return;
        drop();
        address_ = rawMap(length);
        if (address_ == nullptr) return;
        length_ = length;
        try {
            filler_ = std::thread([address = address_, length] {
                {
                    std::unique_lock waiting(waitMutex_);
                    if (wake_.wait_for(waiting, fillDelay, [] { return stop_.load(); })) return;
                }
                populate(address, length, stop_);
            });
        } catch (const std::system_error&) {
            // Unfaulted, it is still a mapping.
        }
    }
    void* take(std::size_t length) {
        const std::lock_guard lock(mutex_);
        if (address_ == nullptr || length_ != length) return nullptr;
        // Asked for early: what is not faulted in yet is faulted in by its first writer.
        stopFiller();
        void* address = address_;
        address_ = nullptr;
        length_ = 0;
        return address;
    }
    std::size_t length() {
        const std::lock_guard lock(mutex_);
        return length_;
    }

private:
    void stopFiller() {
        if (!filler_.joinable()) return;
        {
            const std::lock_guard lock(waitMutex_);
            stop_.store(true);
        }
        wake_.notify_all();
        filler_.join();
        stop_.store(false);
    }

    void drop() {
        stopFiller();
        if (address_ != nullptr) ::munmap(address_, length_);
        address_ = nullptr;
        length_ = 0;
    }

    std::mutex mutex_;
    void* address_ = nullptr;
    std::size_t length_ = 0;
    std::thread filler_;
    // Static, so that a detached filler can still use them while the process ends.
    static inline std::atomic<bool> stop_{false};
    static inline std::mutex waitMutex_;
    static inline std::condition_variable wake_;
};

Spare& spare() {
    static Spare instance;
    return instance;
}

} // namespace

void prepareSpare(std::size_t length) {
    if (length > 0) spare().prepare(length);
}

std::size_t spareLength() {
    return spare().length();
}

std::optional<Mapping> map(std::size_t length) {
    if (length == 0) return std::nullopt;
    void* address = spare().take(length);
    if (address == nullptr) address = rawMap(length);
    if (address == nullptr) return std::nullopt;
    mapCount.fetch_add(1, std::memory_order_relaxed);
    liveByteCount.fetch_add(static_cast<std::int64_t>(length), std::memory_order_relaxed);
    return Mapping{address, length};
}

void unmap(const Mapping& mapping) {
    if (mapping.address == nullptr || mapping.length == 0) return;
    ::munmap(mapping.address, mapping.length);
    unmapCount.fetch_add(1, std::memory_order_relaxed);
    liveByteCount.fetch_sub(static_cast<std::int64_t>(mapping.length), std::memory_order_relaxed);
}

Counters counters() {
    return Counters{mapCount.load(std::memory_order_relaxed), unmapCount.load(std::memory_order_relaxed),
                    liveByteCount.load(std::memory_order_relaxed)};
}

} // namespace quorvane::AnonymousMemory
