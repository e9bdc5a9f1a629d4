#include "platform/XSettingsBlob.h"

namespace quorvane::XSettingsBlob {
namespace {

enum class Type : std::uint8_t { integer = 0, string = 1, color = 2 };

// Reads the list front to back in the byte order its first byte names.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool setOrder() {
        const auto order = byte();
        if (!order || *order > 1) return false;
        bigEndian_ = *order == 1;
        return skip(3);
    }
    std::optional<std::uint8_t> byte() {
        if (left() < 1) return std::nullopt;
        return bytes_[at_++];
    }
    std::optional<std::uint16_t> card16() {
        if (left() < 2) return std::nullopt;
        const std::uint8_t a = bytes_[at_], b = bytes_[at_ + 1];
        at_ += 2;
        return static_cast<std::uint16_t>(bigEndian_ ? (a << 8 | b) : (b << 8 | a));
    }
    std::optional<std::uint32_t> card32() {
        if (left() < 4) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t part = bytes_[at_ + static_cast<std::size_t>(bigEndian_ ? i : 3 - i)];
            value = value << 8 | part;
        }
        at_ += 4;
        return value;
    }
    // `count` bytes, then the padding to a multiple of four.
    std::optional<std::string> padded(std::size_t count) {
        const std::size_t from = at_;
        if (!skipPadded(count)) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(bytes_.data() + from), count);
    }
    bool skipPadded(std::size_t count) {
        const std::size_t padding = (4 - count % 4) % 4;
        return left() >= count && skip(count + padding);
    }
    bool skip(std::size_t count) {
        if (left() < count) return false;
        at_ += count;
        return true;
    }

private:
    std::size_t left() const { return bytes_.size() - at_; }

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool bigEndian_ = false;
};

} // namespace

std::optional<std::map<std::string, std::int32_t>> integers(std::span<const std::uint8_t> bytes) {
    Reader reader(bytes);
    // Byte order, serial and count.
    if (!reader.setOrder() || !reader.card32()) return std::nullopt;
    const auto count = reader.card32();
    if (!count) return std::nullopt;
    std::map<std::string, std::int32_t> found;
    // A count beyond what the bytes hold ends at the first setting that is not there.
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto type = reader.byte();
        if (!type || !reader.skip(1)) return std::nullopt;
        const auto nameLength = reader.card16();
        if (!nameLength) return std::nullopt;
        const auto name = reader.padded(*nameLength);
        // The serial of the setting's last change.
        if (!name || !reader.card32()) return std::nullopt;
        switch (static_cast<Type>(*type)) {
        case Type::integer: {
            const auto value = reader.card32();
            if (!value) return std::nullopt;
            found[*name] = static_cast<std::int32_t>(*value);
            break;
        }
        case Type::string: {
            const auto length = reader.card32();
            if (!length || !reader.skipPadded(*length)) return std::nullopt;
            break;
        }
        case Type::color:
            // Red, blue, green and alpha, 16 bits each.
            if (!reader.skip(8)) return std::nullopt;
            break;
        default:
            return std::nullopt;
        }
    }
    return found;
}

} // namespace quorvane::XSettingsBlob
