#pragma once

// The inner loops of frame matching: sums and counts of per-column differences of two rows.

#include <cstdint>

namespace quorvane::RowDifferences {

// Σ |a[i] − b[i]| over n bytes.
std::uint32_t sum(const std::uint8_t* a, const std::uint8_t* b, int n);
// Σ |a[i] − b[i]| over n (below 65536) 16-bit values below 32768.
std::uint64_t sum(const std::uint16_t* a, const std::uint16_t* b, int n);
// How many of the n byte pairs differ by at least `threshold` (1 ... 255).
int countAtLeast(const std::uint8_t* a, const std::uint8_t* b, int n, int threshold);

} // namespace quorvane::RowDifferences
