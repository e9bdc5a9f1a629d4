#include "platform/HeifPictures.h"

#include "platform/HevcPictureSize.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace quorvane {
namespace {

using Size = HeifPictures::Size;
using ItemId = std::uint32_t;

// Reads big-endian fields; past the end every read gives 0 and `ok` turns false.
class Reader {
public:
    explicit Reader(QByteArrayView data) : data_(data) {}

    std::uint64_t read(int bytes) {
        if (bytes < 0 || at_ + bytes > data_.size()) {
            ok_ = false;
            at_ = data_.size();
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | static_cast<std::uint8_t>(data_[at_ + i]);
        at_ += bytes;
        return value;
    }
    std::uint32_t u8() { return static_cast<std::uint32_t>(read(1)); }
    std::uint32_t u16() { return static_cast<std::uint32_t>(read(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
    QByteArrayView rest() const { return data_.sliced(at_); }
    bool ok() const { return ok_; }

private:
    QByteArrayView data_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

struct Box {
    QByteArrayView type;
    QByteArrayView body;
};

// Enough for any real file; a crafted one cannot make the walk long.
constexpr std::size_t maxBoxes = 100'000;

std::vector<Box> children(QByteArrayView data) {
    std::vector<Box> boxes;
    Reader reader(data);
    while (!reader.rest().isEmpty() && boxes.size() < maxBoxes) {
        const QByteArrayView start = reader.rest();
        std::uint64_t size = reader.u32();
        const QByteArrayView type = reader.rest().first(std::min<qsizetype>(4, reader.rest().size()));
        reader.read(4);
        qsizetype header = 8;
        if (size == 1) {
            size = reader.read(8);
            header = 16;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(start.size());
        }
        if (!reader.ok() || size < static_cast<std::uint64_t>(header) ||
            size > static_cast<std::uint64_t>(start.size()))
            break;
        boxes.push_back({type, start.sliced(header, static_cast<qsizetype>(size) - header)});
        reader = Reader(start.sliced(static_cast<qsizetype>(size)));
    }
    return boxes;
}

std::optional<Box> child(QByteArrayView data, QByteArrayView type) {
    for (const Box& box : children(data))
        if (box.type == type) return box;
    return std::nullopt;
}

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct Location {
    std::uint32_t method = 0;
    std::vector<Extent> extents;
};

// Sides are 32-bit fields: clamped, their product cannot overflow.
std::int64_t area(const Size& size) {
    constexpr std::int64_t side = std::int64_t{1} << 31;
    return std::min(size.width, side) * std::min(size.height, side);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    return a > std::numeric_limits<std::int64_t>::max() - b ? std::numeric_limits<std::int64_t>::max()
                                                            : a + b;
}

class MetaBox {
public:
    MetaBox(QByteArrayView file, QByteArrayView meta) : file_(file) {
        // A full box: version and flags come first.
        if (meta.size() < 4) return;
        for (const Box& box : children(meta.sliced(4))) {
            if (box.type == "pitm") readPrimary(box.body);
            if (box.type == "iinf") readInfos(box.body);
            if (box.type == "iloc") readLocations(box.body);
            if (box.type == "iref") readReferences(box.body);
            if (box.type == "idat") idat_ = box.body;
            if (box.type == "iprp") readProperties(box.body);
        }
    }

    std::optional<ItemId> primary() const { return primary_; }

    void walk(ItemId item, int depth, HeifPictures& pictures) {
        if (depth > 8 || !walked_.insert(item).second) return;
        if (const auto size = declaredSize(item)) pictures.sizes.push_back(*size);
        const auto type = types_.find(item);
        const QByteArrayView kind = type == types_.end() ? QByteArrayView() : type->second;
        if (kind == "grid" || kind == "iovl") {
            if (const auto canvas = canvasSize(item, kind == "iovl")) pictures.sizes.push_back(*canvas);
        }
        // The decoder allocates what the coded data declares, not what the container says.
        if (kind == "hvc1")
            for (const Size& size : codedSizes(item))
                pictures.sizes.push_back(size);
        if (kind == "grid" || kind == "iovl" || kind == "iden") {
            if (const auto tiles = derivedFrom_.find(item); tiles != derivedFrom_.end()) {
                for (ItemId tile : tiles->second) {
                    pictures.tilePixels = saturatingAdd(pictures.tilePixels, largestArea(tile));
                    walk(tile, depth + 1, pictures);
                }
            }
        }
        // The alpha plane is an image of its own that points at the one it belongs to.
        if (const auto planes = auxiliaries_.find(item); depth == 0 && planes != auxiliaries_.end())
            for (ItemId plane : planes->second)
                walk(plane, depth + 1, pictures);
    }

private:
    void readPrimary(QByteArrayView body) {
        Reader reader(body);
        const std::uint32_t version = reader.u8();
        reader.read(3);
        const ItemId id = version == 0 ? reader.u16() : reader.u32();
        if (reader.ok()) primary_ = id;
    }

    void readInfos(QByteArrayView body) {
        Reader reader(body);
        const std::uint32_t version = reader.u8();
        reader.read(3);
        reader.read(version == 0 ? 2 : 4);
        if (!reader.ok()) return;
        for (const Box& box : children(reader.rest())) {
            if (box.type != "infe") continue;
            Reader entry(box.body);
            const std::uint32_t entryVersion = entry.u8();
            entry.read(3);
            if (entryVersion < 2) continue;
            const ItemId id = entryVersion == 2 ? entry.u16() : entry.u32();
            entry.u16(); // protection index
            const QByteArrayView type = entry.rest().first(std::min<qsizetype>(4, entry.rest().size()));
            if (entry.ok() && type.size() == 4) types_[id] = type;
        }
    }

    void readLocations(QByteArrayView body) {
        Reader reader(body);
        const std::uint32_t version = reader.u8();
        reader.read(3);
        const std::uint32_t sizes = reader.u16();
        const int offsetSize = static_cast<int>(sizes >> 12 & 15),
                  lengthSize = static_cast<int>(sizes >> 8 & 15),
                  baseSize = static_cast<int>(sizes >> 4 & 15);
        const int indexSize = version == 1 || version == 2 ? static_cast<int>(sizes & 15) : 0;
        const std::uint32_t count = version < 2 ? reader.u16() : reader.u32();
        for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
            const ItemId id = version < 2 ? reader.u16() : reader.u32();
            Location location;
            if (version == 1 || version == 2) location.method = reader.u16() & 15;
            reader.u16(); // data reference index
            const std::uint64_t base = reader.read(baseSize);
            const std::uint32_t extents = reader.u16();
            for (std::uint32_t e = 0; e < extents && reader.ok(); ++e) {
                reader.read(indexSize);
                const std::uint64_t offset = reader.read(offsetSize);
                const std::uint64_t length = reader.read(lengthSize);
                location.extents.push_back({base + offset, length});
            }
            if (reader.ok()) locations_[id] = std::move(location);
        }
    }

    void readReferences(QByteArrayView body) {
        Reader reader(body);
        const std::uint32_t version = reader.u8();
        reader.read(3);
        if (!reader.ok()) return;
        for (const Box& box : children(reader.rest())) {
            if (box.type != "dimg" && box.type != "auxl") continue;
            Reader entry(box.body);
            const ItemId from = version == 0 ? entry.u16() : entry.u32();
            const std::uint32_t count = entry.u16();
            for (std::uint32_t i = 0; i < count && entry.ok(); ++i) {
                const ItemId to = version == 0 ? entry.u16() : entry.u32();
                if (!entry.ok()) break;
                if (box.type == "dimg")
                    derivedFrom_[from].push_back(to);
                else
                    auxiliaries_[to].push_back(from);
            }
        }
    }

    void readProperties(QByteArrayView body) {
        for (const Box& box : children(body)) {
            if (box.type == "ipco") properties_ = children(box.body);
            if (box.type != "ipma") continue;
            Reader reader(box.body);
            const std::uint32_t version = reader.u8();
            const std::uint32_t flags = static_cast<std::uint32_t>(reader.read(3));
            const std::uint32_t count = reader.u32();
            for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
                const ItemId id = version < 1 ? reader.u16() : reader.u32();
                const std::uint32_t associations = reader.u8();
                std::vector<std::uint32_t>& indices = associations_[id];
                for (std::uint32_t a = 0; a < associations && reader.ok(); ++a)
                    indices.push_back((flags & 1) ? reader.u16() & 0x7fff : reader.u8() & 0x7f);
            }
        }
    }

    // The larger of the declared and the coded size. Remembered, as all sizes: a crafted grid may
    // name one tile many thousand times.
    std::int64_t largestArea(ItemId item) {
        std::int64_t largest = 0;
        if (const auto size = declaredSize(item)) largest = area(*size);
        if (const auto type = types_.find(item); type != types_.end() && type->second == "hvc1")
            for (const Size& size : codedSizes(item))
                largest = std::max(largest, area(size));
        return largest;
    }

    const std::vector<Size>& codedSizes(ItemId item) {
        if (const auto known = codedSizes_.find(item); known != codedSizes_.end()) return known->second;
        std::vector<Size>& sizes = codedSizes_[item];
        const std::optional<QByteArrayView> record = property(item, "hvcC");
        const HevcPictureSize::Configuration configuration =
            HevcPictureSize::inConfiguration(record.value_or(QByteArrayView()));
        std::vector<HevcPictureSize::Size> found = configuration.sizes;
        const std::vector<HevcPictureSize::Size> inData = HevcPictureSize::inStream(
            data(item, std::numeric_limits<qsizetype>::max()), configuration.lengthSize);
        found.insert(found.end(), inData.begin(), inData.end());
        for (const auto& size : found)
            sizes.push_back({size.width, size.height});
        return sizes;
    }

    std::optional<QByteArrayView> property(ItemId item, QByteArrayView type) const {
        const auto found = associations_.find(item);
        if (found == associations_.end()) return std::nullopt;
        for (std::uint32_t index : found->second)
            if (index >= 1 && index <= properties_.size() && properties_[index - 1].type == type)
                return properties_[index - 1].body;
        return std::nullopt;
    }

    // Remembered: a crafted grid may name one tile many thousand times.
    std::optional<Size> declaredSize(ItemId item) {
        if (const auto known = declaredSizes_.find(item); known != declaredSizes_.end()) return known->second;
        return declaredSizes_[item] = findDeclaredSize(item);
    }

    std::optional<Size> findDeclaredSize(ItemId item) const {
        const std::optional<QByteArrayView> extents = property(item, "ispe");
        if (!extents) return std::nullopt;
        Reader reader(*extents);
        reader.read(4);
        const std::int64_t width = reader.u32(), height = reader.u32();
        if (!reader.ok()) return std::nullopt;
        return Size{width, height};
    }

    // The first `wanted` bytes of an item's data, its extents joined.
    QByteArray data(ItemId item, qsizetype wanted) const {
        QByteArray bytes;
        const auto found = locations_.find(item);
        if (found == locations_.end()) return bytes;
        const QByteArrayView source = found->second.method == 1 ? idat_ : file_;
        if (found->second.method > 1) return bytes;
        for (const Extent& extent : found->second.extents) {
            if (bytes.size() >= wanted || extent.offset >= static_cast<std::uint64_t>(source.size())) break;
            const QByteArrayView rest = source.sliced(static_cast<qsizetype>(extent.offset));
            const qsizetype length =
                extent.length == 0 || extent.length > static_cast<std::uint64_t>(rest.size())
                    ? rest.size()
                    : static_cast<qsizetype>(extent.length);
            bytes += rest.first(std::min(length, wanted - bytes.size()));
        }
        return bytes;
    }

    std::optional<Size> canvasSize(ItemId item, bool overlay) const {
        // Enough for a grid or overlay record.
        const QByteArray bytes = data(item, 64);
        Reader reader(bytes);
        reader.u8(); // version
        const std::uint32_t flags = reader.u8();
        // An overlay record holds four fill values, a grid its rows and columns.
        reader.read(overlay ? 8 : 2);
        const int field = (flags & 1) ? 4 : 2;
        const std::int64_t width = static_cast<std::int64_t>(reader.read(field));
        const std::int64_t height = static_cast<std::int64_t>(reader.read(field));
        if (!reader.ok()) return std::nullopt;
        return Size{width, height};
    }

    QByteArrayView file_;
    QByteArrayView idat_;
    std::optional<ItemId> primary_;
    std::map<ItemId, QByteArrayView> types_;
    std::map<ItemId, Location> locations_;
    // Each derived image's inputs (grid tiles), in order; each image's auxiliary images.
    std::map<ItemId, std::vector<ItemId>> derivedFrom_;
    std::map<ItemId, std::vector<ItemId>> auxiliaries_;
    std::vector<Box> properties_;
    std::map<ItemId, std::vector<std::uint32_t>> associations_;
    std::set<ItemId> walked_;
    std::map<ItemId, std::optional<Size>> declaredSizes_;
    std::map<ItemId, std::vector<Size>> codedSizes_;
};

} // namespace

HeifPictures HeifPictures::read(QByteArrayView file) {
    HeifPictures pictures;
    const std::optional<Box> meta = child(file, "meta");
    if (!meta) return pictures;
    MetaBox box(file, meta->body);
    if (const auto primary = box.primary()) box.walk(*primary, 0, pictures);
    return pictures;
}

} // namespace quorvane
