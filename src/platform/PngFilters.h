#pragma once

// PNG row filtering: per row, the filter whose residuals have the smallest sum of absolute
// values (libpng's own heuristic), with SSE2 where the processor has it and plain C++ elsewhere.
// Both give the same bytes.

#include <cstddef>
#include <cstdint>

namespace quorvane::PngFilters {

// Bytes that `filterRow` may write past the filtered row, and that both rows must stay readable
// past `size`.
constexpr std::size_t slack = 16;

// Writes the filter type byte and the filtered row (size + 1 bytes) to `out`. Both rows are
// preceded by `bpp` zero bytes, and `previous` is all zeros above the first row.
void filterRow(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
               std::uint8_t* out);

// The plain C++ path, which `filterRow` takes without SSE2 or in a portable build.
void filterRowPortable(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
                       std::uint8_t* out);

// Whether `filterRow` runs the SSE2 path.
bool vectorised();

} // namespace quorvane::PngFilters
