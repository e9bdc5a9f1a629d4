#include "platform/XSettingsBlob.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvane {
namespace {

// An _XSETTINGS_SETTINGS list as a manager writes it, in either byte order.
class Blob {
public:
    explicit Blob(bool bigEndian, std::uint32_t count) : bigEndian_(bigEndian) {
        bytes.push_back(bigEndian ? 1 : 0);
        bytes.insert(bytes.end(), 3, 0);
        card32(7); // serial
        card32(count);
    }
    Blob& integer(const std::string& name, std::int32_t value) {
        header(0, name);
        card32(static_cast<std::uint32_t>(value));
        return *this;
    }
    Blob& string(const std::string& name, const std::string& value) {
        header(1, name);
        card32(static_cast<std::uint32_t>(value.size()));
        padded(value);
        return *this;
    }
    Blob& color(const std::string& name) {
        header(2, name);
        bytes.insert(bytes.end(), 8, 0xff);
        return *this;
    }

    std::vector<std::uint8_t> bytes;

private:
    void header(std::uint8_t type, const std::string& name) {
        bytes.push_back(type);
        bytes.push_back(0);
        const auto length = static_cast<std::uint16_t>(name.size());
        if (bigEndian_) {
            bytes.push_back(static_cast<std::uint8_t>(length >> 8));
            bytes.push_back(static_cast<std::uint8_t>(length & 0xff));
        } else {
            bytes.push_back(static_cast<std::uint8_t>(length & 0xff));
            bytes.push_back(static_cast<std::uint8_t>(length >> 8));
        }
        padded(name);
        card32(3); // last-change serial
    }
    void padded(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.insert(bytes.end(), (4 - text.size() % 4) % 4, 0);
    }
    void card32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    bool bigEndian_;
};

TEST(XSettingsBlob, ReadsIntegersInEitherByteOrderPastStringsAndColours) {
    for (const bool bigEndian : {false, true}) {
        Blob blob(bigEndian, 4);
        blob.string("Net/ThemeName", "Adwaita")
            .color("Gtk/Accent")
            .integer("Gtk/EnableAnimations", 0)
            .integer("Xft/DPI", -98304);
        const auto read = XSettingsBlob::integers(blob.bytes);
        ASSERT_TRUE(read.has_value()) << bigEndian;
        EXPECT_EQ(read->size(), 2U);
        EXPECT_EQ(read->at("Gtk/EnableAnimations"), 0);
        EXPECT_EQ(read->at("Xft/DPI"), -98304);
    }
    // A manager with nothing to say.
    const auto empty = XSettingsBlob::integers(Blob(false, 0).bytes);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST(XSettingsBlob, ADamagedListIsNotTrustedAtAll) {
    Blob whole(false, 2);
    whole.integer("Gtk/EnableAnimations", 0).string("Net/ThemeName", "HighContrast");
    ASSERT_TRUE(XSettingsBlob::integers(whole.bytes).has_value());
    // Cut anywhere, the list is refused, also when the integer itself came through whole.
    for (std::size_t size = 0; size < whole.bytes.size(); ++size) {
        const std::vector<std::uint8_t> cut(whole.bytes.begin(), whole.bytes.begin() + static_cast<long>(size));
        EXPECT_FALSE(XSettingsBlob::integers(cut).has_value()) << size;
    }

    // More settings announced than there are, an unknown type, an unknown byte order, a name or
    // a string longer than the bytes.
    EXPECT_FALSE(XSettingsBlob::integers(Blob(false, 0xffffffff).integer("Gtk/EnableAnimations", 0).bytes).has_value());
    std::vector<std::uint8_t> bytes = Blob(false, 1).integer("Gtk/EnableAnimations", 0).bytes;
    bytes[12] = 3;
    EXPECT_FALSE(XSettingsBlob::integers(bytes).has_value());
    bytes = Blob(false, 1).integer("Gtk/EnableAnimations", 0).bytes;
    bytes[0] = 2;
    EXPECT_FALSE(XSettingsBlob::integers(bytes).has_value());
    bytes = Blob(false, 1).integer("Gtk/EnableAnimations", 0).bytes;
    bytes[14] = 0xff;
    bytes[15] = 0xff;
    EXPECT_FALSE(XSettingsBlob::integers(bytes).has_value());
    bytes = Blob(false, 1).string("Net/ThemeName", "abc").bytes;
    bytes[bytes.size() - 8] = 0xff;
    EXPECT_FALSE(XSettingsBlob::integers(bytes).has_value());
}

} // namespace
} // namespace quorvane
