#include "platform/PngFilters.h"

#include <gtest/gtest.h>
#include <random>

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The PNG decoder's inverse of each filter, as the format defines it.
Bytes unfilter(const std::uint8_t* filtered, const Bytes& previous, int bpp) {
    const int type = filtered[0];
    const std::size_t size = previous.size();
    Bytes row(size);
    for (std::size_t i = 0; i < size; ++i) {
        const int a = i >= static_cast<std::size_t>(bpp) ? row[i - bpp] : 0, b = previous[i],
                  c = i >= static_cast<std::size_t>(bpp) ? previous[i - bpp] : 0;
        int predictor = 0;
        if (type == 1) predictor = a;
        if (type == 2) predictor = b;
        if (type == 3) predictor = (a + b) / 2;
        if (type == 4) {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        }
        row[i] = static_cast<std::uint8_t>(filtered[1 + i] + predictor);
    }
    return row;
}

// A row behind `bpp` zero bytes and ahead of the slack the filters may read.
Bytes padded(const Bytes& row, int bpp) {
    Bytes out(bpp, 0);
    out.insert(out.end(), row.begin(), row.end());
    out.resize(out.size() + PngFilters::slack, 0xAB);
    return out;
}

// Rows of every length around the vector width, flat, graded and noisy, under zero and real
// rows: both paths choose the same filter and write the same bytes, and a decoder gets the row
// back.
TEST(PngFilters, BothPathsGiveTheSameBytesThatDecodeToTheRow) {
    std::mt19937 random(9);
    int types[5] = {};
    for (int bpp : {3, 4})
        for (std::size_t size : {1, 3, 4, 15, 16, 17, 31, 33, 48, 64, 95, 301, 3840 * 3}) {
            for (int kind = 0; kind < 5; ++kind) {
                Bytes row(size), previous(size, 0);
                for (std::size_t i = 0; i < size; ++i) {
                    const auto smooth = static_cast<std::uint8_t>(i * 3 / 7 + 100);
                    row[i] = kind == 0   ? 200
                             : kind == 1 ? smooth
                             : kind == 2 ? static_cast<std::uint8_t>(random())
                                         : static_cast<std::uint8_t>(smooth + random() % 5);
                    if (kind >= 1)
                        previous[i] = static_cast<std::uint8_t>(row[i] - 1 - (kind == 3 ? random() % 3 : 0));
                    // The mean of the left and upper neighbours.
                    if (kind == 4) {
                        previous[i] = static_cast<std::uint8_t>(random());
                        row[i] = static_cast<std::uint8_t>(
                            ((i >= std::size_t(bpp) ? row[i - bpp] : 0) + previous[i]) / 2);
                    }
                }
                const Bytes paddedRow = padded(row, bpp), paddedPrevious = padded(previous, bpp);
                Bytes portable(size + 1 + PngFilters::slack), chosen(size + 1 + PngFilters::slack);
                PngFilters::filterRowPortable(paddedRow.data() + bpp, paddedPrevious.data() + bpp, size, bpp,
                                              portable.data());
                PngFilters::filterRow(paddedRow.data() + bpp, paddedPrevious.data() + bpp, size, bpp,
                                      chosen.data());
                EXPECT_TRUE(std::equal(portable.begin(),
                                       portable.begin() + static_cast<std::ptrdiff_t>(size + 1),
                                       chosen.begin()))
                    << "size " << size << ", bpp " << bpp << ", kind " << kind;
                EXPECT_EQ(unfilter(chosen.data(), previous, bpp), row)
                    << "size " << size << ", kind " << kind;
                ++types[chosen[0]];
            }
        }
    // Every filter type came up, so each path was compared.
    for (int type = 0; type < 5; ++type)
        EXPECT_GT(types[type], 0) << "filter " << type;
}

} // namespace
} // namespace quorvane
