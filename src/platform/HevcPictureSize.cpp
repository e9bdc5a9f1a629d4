#include "platform/HevcPictureSize.h"

#include <QByteArray>
#include <optional>

namespace quorvane::HevcPictureSize {
namespace {

// Reads bits of a unit whose emulation-prevention bytes are already removed; past the end every
// read gives 0 and `ok` turns false.
class BitReader {
public:
    explicit BitReader(const QByteArray& bytes) : bytes_(bytes) {}

    std::uint64_t bits(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= static_cast<std::int64_t>(bytes_.size()) * 8) {
                ok_ = false;
                return 0;
            }
            const int bit = static_cast<std::uint8_t>(bytes_[static_cast<qsizetype>(at_ / 8)]) >> (7 - at_ % 8) & 1;
            value = value << 1 | static_cast<std::uint64_t>(bit);
            ++at_;
        }
        return value;
    }

    // Exp-Golomb; sizes beyond 32 bits are refused as damage.
    std::uint64_t unsignedCode() {
        int zeros = 0;
        while (bits(1) == 0) {
            if (!ok_ || ++zeros > 32) {
                ok_ = false;
                return 0;
            }
        }
        return (std::uint64_t{1} << zeros) - 1 + bits(zeros);
    }

    bool ok() const { return ok_; }

private:
    const QByteArray& bytes_;
    std::int64_t at_ = 0;
    bool ok_ = true;
};

// The unit without its two-byte header and with 00 00 03 read as 00 00.
QByteArray payload(QByteArrayView unit) {
    QByteArray out;
    // The size fields come first; the rest is not needed.
    constexpr qsizetype enough = 256;
    int zeros = 0;
    for (qsizetype i = 2; i < unit.size() && out.size() < enough; ++i) {
        const char c = unit[i];
        if (zeros >= 2 && c == 3) {
            zeros = 0;
            continue;
        }
        zeros = c == 0 ? zeros + 1 : 0;
        out += c;
    }
    return out;
}

} // namespace

std::optional<Size> ofSequenceParameterSet(QByteArrayView unit) {
    if (unit.size() < 3) return std::nullopt;
    const QByteArray bytes = payload(unit);
    BitReader reader(bytes);
    reader.bits(4); // video parameter set id
    const int subLayers = static_cast<int>(reader.bits(3));
    reader.bits(1);
    // Profile, tier and level: the general part, then what each sub-layer says it carries.
    reader.bits(96);
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profilePresent[i] = reader.bits(1) != 0;
        levelPresent[i] = reader.bits(1) != 0;
    }
    if (subLayers > 0)
        for (int i = subLayers; i < 8; ++i)
            reader.bits(2);
    for (int i = 0; i < subLayers; ++i) {
        if (profilePresent[i]) reader.bits(88);
        if (levelPresent[i]) reader.bits(8);
    }
    reader.unsignedCode(); // parameter set id
    if (reader.unsignedCode() == 3) reader.bits(1);
    const std::uint64_t width = reader.unsignedCode();
    const std::uint64_t height = reader.unsignedCode();
    if (!reader.ok()) return std::nullopt;
    return Size{static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)};
}

} // namespace quorvane::HevcPictureSize
