#include "platform/DeflateJoin.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace quorvane::DeflateJoin {
namespace {

// Least significant bit first, as deflate packs its bits. Reads zeros past the end; callers
// check `position()` against the size.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // Leaves at least 57 bits in the buffer.
    void refill() {
        if (count_ > 56) return;
        if (next_ + 8 <= size_) {
            std::uint64_t word;
            std::memcpy(&word, data_ + next_, 8);
            if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
            buffer_ |= word << count_;
            next_ += static_cast<std::size_t>((63 - count_) >> 3);
            count_ |= 56;
            return;
        }
        while (count_ <= 56) {
            const std::uint64_t byte = next_ < size_ ? data_[next_] : 0;
            ++next_;
            buffer_ |= byte << count_;
            count_ += 8;
        }
    }
    // At most 32 bits, after a refill that left enough.
    std::uint32_t peek(int bits) const {
        return static_cast<std::uint32_t>(buffer_ & ((std::uint64_t{1} << bits) - 1));
    }
    void consume(int bits) {
        buffer_ >>= bits;
        count_ -= bits;
    }
    std::uint32_t take(int bits) {
        if (count_ < bits) refill();
        const std::uint32_t value = peek(bits);
        consume(bits);
        return value;
    }
    std::size_t position() const { return next_ * 8 - static_cast<std::size_t>(count_); }
    bool overrun() const { return position() > size_ * 8; }
    // Continues at the byte `byte`.
    void seek(std::size_t byte) {
        next_ = byte;
        buffer_ = 0;
        count_ = 0;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// A canonical Huffman code as one lookup table indexed by the next `bits` input bits; each entry
// holds symbol << 4 | code length, 0 for bit patterns that are no code.
class Huffman {
public:
    bool build(const std::uint8_t* lengths, int count) {
        std::array<int, 16> perLength{};
        bits_ = 0;
        for (int i = 0; i < count; ++i) {
            ++perLength[lengths[i]];
            bits_ = std::max(bits_, int{lengths[i]});
        }
        perLength[0] = 0;
        std::array<std::uint32_t, 16> next{};
        std::uint32_t code = 0;
        for (int length = 1; length < 16; ++length) {
            code = (code + static_cast<std::uint32_t>(perLength[length - 1])) << 1;
            next[length] = code;
        }
        table_.assign(std::size_t{1} << bits_, 0);
        for (int symbol = 0; symbol < count; ++symbol) {
            const int length = lengths[symbol];
            if (length == 0) continue;
            const std::uint32_t value = next[length]++;
            if (value >= (1u << length)) return false; // more codes than lengths allow
            std::uint32_t reversed = 0;
            for (int bit = 0; bit < length; ++bit)
                reversed |= ((value >> bit) & 1u) << (length - 1 - bit);
            for (std::uint32_t at = reversed; at < table_.size(); at += 1u << length)
                table_[at] = static_cast<std::uint16_t>(symbol << 4 | length);
        }
        return true;
    }
    // The next symbol, or -1 for input that is no code. Needs 15 bits in the reader.
    int decode(BitReader& in) const {
        const std::uint16_t entry = table_[in.peek(bits_)];
        if (entry == 0) return -1;
        in.consume(entry & 15);
        return entry >> 4;
    }

private:
    std::vector<std::uint16_t> table_;
    int bits_ = 0;
};

constexpr std::uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool fixedCodes(Huffman& literals, Huffman& distances) {
    std::uint8_t lengths[288 + 30];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::fill(lengths + 288, lengths + 318, 5);
    return literals.build(lengths, 288) && distances.build(lengths + 288, 30);
}

bool dynamicCodes(BitReader& in, Huffman& literals, Huffman& distances) {
    const int literalCount = static_cast<int>(in.take(5)) + 257;
    const int distanceCount = static_cast<int>(in.take(5)) + 1;
    const int lengthCodeCount = static_cast<int>(in.take(4)) + 4;
    if (literalCount > 286 || distanceCount > 30) return false;
    static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::uint8_t codeLengths[19] = {};
    for (int i = 0; i < lengthCodeCount; ++i)
        codeLengths[order[i]] = static_cast<std::uint8_t>(in.take(3));
    Huffman lengthCode;
    if (!lengthCode.build(codeLengths, 19)) return false;
    std::uint8_t lengths[286 + 30] = {};
    const int total = literalCount + distanceCount;
    for (int i = 0; i < total;) {
        in.refill();
        const int symbol = lengthCode.decode(in);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        int repeat = 0;
        if (symbol == 16) {
            if (i == 0) return false;
            value = lengths[i - 1];
            repeat = 3 + static_cast<int>(in.take(2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(in.take(3));
        } else {
            repeat = 11 + static_cast<int>(in.take(7));
        }
        if (i + repeat > total) return false;
        std::fill(lengths + i, lengths + i + repeat, value);
        i += repeat;
    }
    if (lengths[256] == 0) return false; // no end of block
    return literals.build(lengths, literalCount) && distances.build(lengths + literalCount, distanceCount);
}

// Reads the symbols of one block up to and including its end.
bool skipSymbols(BitReader& in, const Huffman& literals, const Huffman& distances) {
    for (;;) {
        // Room for the longest symbol: 15 + 5 + 15 + 13 bits.
        in.refill();
        const int symbol = literals.decode(in);
        if (symbol < 0 || in.overrun()) return false;
        if (symbol < 256) continue;
        if (symbol == 256) return true;
        if (symbol > 285) return false;
        in.consume(lengthExtra[symbol - 257]);
        const int distance = distances.decode(in);
        if (distance < 0 || distance >= 30) return false;
        in.consume(distanceExtra[distance]);
    }
}

} // namespace

bool makeJoinable(std::vector<std::uint8_t>& bytes, std::size_t start) {
    if (start > bytes.size()) return false;
    const std::uint8_t* data = bytes.data() + start;
    const std::size_t size = bytes.size() - start;
    BitReader in(data, size);
    Huffman literals, distances;
    for (;;) {
        const std::size_t header = in.position();
        const bool final = in.take(1) != 0;
        const std::uint32_t type = in.take(2);
        if (type == 0) {
            const std::size_t at = (in.position() + 7) / 8;
            if (at + 4 > size) return false;
            const std::size_t length = data[at] | std::size_t{data[at + 1]} << 8;
            const std::size_t complement = data[at + 2] | std::size_t{data[at + 3]} << 8;
            if ((length ^ 0xFFFF) != complement || at + 4 + length > size) return false;
            in.seek(at + 4 + length);
        } else if (type == 3 ||
                   !(type == 1 ? fixedCodes(literals, distances) : dynamicCodes(in, literals, distances)) ||
                   !skipSymbols(in, literals, distances)) {
            return false;
        }
        if (in.overrun()) return false;
        if (!final) continue;

        const std::size_t end = in.position();
        bytes.resize(start + (end + 7) / 8);
        bytes[start + header / 8] &= static_cast<std::uint8_t>(~(1u << (header % 8)));
        // An empty stored block: three zero header bits, then the byte boundary and its lengths.
        const auto used = static_cast<int>(end % 8);
        if (used != 0) bytes.back() &= static_cast<std::uint8_t>((1u << used) - 1);
        if (used == 0 || used > 5) bytes.push_back(0);
        bytes.insert(bytes.end(),
                     {std::uint8_t{0x00}, std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0xFF}});
        return true;
    }
}

} // namespace quorvane::DeflateJoin
