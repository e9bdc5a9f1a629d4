#include "platform/DeflateJoin.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <random>
#include <string>
#include <zlib.h>

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes compress(const Bytes& input, int level) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(compressor, input.size()));
    out.resize(libdeflate_deflate_compress(compressor, input.data(), input.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

// Inflates a raw deflate stream with zlib; none when zlib refuses it or finds bytes after its end.
std::optional<Bytes> inflateAll(const Bytes& stream, std::size_t expected) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return std::nullopt;
    Bytes out(expected + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const bool whole = status == Z_STREAM_END && z.avail_in == 0;
    out.resize(z.total_out);
    inflateEnd(&z);
    return whole ? std::optional(out) : std::nullopt;
}

// Words that compress well, or noise that does not.
Bytes sample(std::size_t size, bool words = true) {
    static const std::string parts[] = {"capture ", "the ", "screen ", "annotate ", "pixels\n", "export "};
    std::mt19937 random(3);
    Bytes out;
    while (out.size() < size)
        if (const std::string& part = parts[random() % 6]; words)
            out.insert(out.end(), part.begin(), part.end());
        else
            out.push_back(static_cast<std::uint8_t>(random()));
    out.resize(size);
    return out;
}

// Stored, fixed and dynamic blocks, one or many per piece, pieces of every size from empty:
// the joined pieces inflate to the whole input as one stream.
TEST(DeflateJoin, PiecesCompressedApartInflateAsOneStream) {
    struct Case {
        const char* name;
        Bytes input;
        std::vector<std::size_t> cuts;
    };
    Bytes mixed = sample(300'000);
    const Bytes random = sample(200'000, false);
    mixed.insert(mixed.begin() + 100'000, random.begin(), random.end());
    const std::vector<Case> cases = {
        {"tiny pieces", sample(40), {0, 1, 2, 7, 20}},
        {"an empty piece in the middle", sample(5000), {2500, 2500}},
        {"text", sample(2'000'000), {400'000, 900'000, 1'500'000}},
        {"noise", sample(300'000, false), {1, 70'000, 299'999}},
        {"text and noise", mixed, {50'000, 150'000, 350'000}},
    };
    for (const Case& c : cases)
        for (int level : {0, 1, 6, 7, 12}) {
            Bytes joined;
            std::size_t from = 0;
            std::vector<std::size_t> ends = c.cuts;
            ends.push_back(c.input.size());
            for (std::size_t i = 0; i < ends.size(); ++i) {
                Bytes piece = compress(Bytes(c.input.begin() + static_cast<std::ptrdiff_t>(from),
                                             c.input.begin() + static_cast<std::ptrdiff_t>(ends[i])),
                                       level);
                ASSERT_FALSE(piece.empty()) << c.name;
                const std::size_t start = joined.size();
                joined.insert(joined.end(), piece.begin(), piece.end());
                if (i + 1 < ends.size()) {
                    ASSERT_TRUE(DeflateJoin::makeJoinable(joined, start)) << c.name;
                }
                from = ends[i];
            }
            EXPECT_EQ(inflateAll(joined, c.input.size()), c.input) << c.name << " at level " << level;
        }
}

TEST(DeflateJoin, RefusesMalformedStreamsAndLeavesThemUnchanged) {
    const Bytes whole = compress(sample(100'000), 6);
    Bytes truncated(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"truncated", truncated},
        {"reserved block type", {0x07, 0x00}},
        {"stored lengths that disagree", {0x00, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'}},
        {"stored block longer than the data", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'a'}},
        {"no final block", {0x00, 0x00, 0x00, 0xFF, 0xFF}},
    };
    for (const auto& [name, bytes] : cases) {
        Bytes copy = bytes;
        EXPECT_FALSE(DeflateJoin::makeJoinable(copy)) << name;
        EXPECT_EQ(copy, bytes) << name;
    }
    Bytes start = {1, 2, 3};
    EXPECT_FALSE(DeflateJoin::makeJoinable(start, 4));
}

} // namespace
} // namespace quorvane
