#pragma once

// Makes the pages of a fresh anonymous mapping present on another core, so that a decoder
// writing into it from the top does not stop for the kernel to zero each page first.

#include <cstddef>
#include <thread>

namespace quorvane::Prefault {

// Populates [address, address + length) for writing without changing a byte, in the order a
// decoder fills it. Harmless alongside writers; small ranges and kernels without the request get
// no thread. Join a joinable result before the memory goes away.
std::thread start(void* address, std::size_t length);

} // namespace quorvane::Prefault
