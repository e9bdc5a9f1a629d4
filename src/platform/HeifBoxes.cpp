#include "platform/HeifBoxes.h"

#include <algorithm>
#include <limits>

namespace quorvane {
namespace {

using ItemId = HeifBoxes::ItemId;

// libheif refuses more; a file that has more is damaged.
constexpr std::uint32_t maxItems = 20'000;
constexpr std::uint32_t maxExtents = 32;
constexpr std::size_t maxChildren = 20'000;

// Big-endian fields; past the end every read gives 0 and `ok` turns false.
class Reader {
public:
    explicit Reader(QByteArrayView data) : data_(data) {}

    std::uint64_t read(int bytes) {
        if (bytes < 0 || bytes > data_.size() - at_) {
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
    // An identifier of 16 bits, or of 32 when `wide`.
    std::uint32_t id(bool wide) { return wide ? u32() : u16(); }
    QByteArrayView rest() const { return data_.sliced(at_); }
    qsizetype consumed() const { return at_; }
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

// One box header at the start of `data`: its type, body and whole size. A size of 0 ("to the end
// of the file") is taken only where `toEnd` allows it.
std::optional<std::pair<Box, qsizetype>> box(QByteArrayView data, bool toEnd) {
    if (data.size() < 8) return std::nullopt;
    Reader reader(data);
    std::uint64_t size = reader.u32();
    const QByteArrayView type = data.sliced(4, 4);
    reader.read(4);
    if (size == 1) size = reader.read(8);
    if (type == "uuid") reader.read(16);
    if (!reader.ok()) return std::nullopt;
    if (size == 0 && toEnd) size = static_cast<std::uint64_t>(data.size());
    const auto header = static_cast<std::uint64_t>(reader.consumed());
    if (size < header || size > static_cast<std::uint64_t>(data.size())) return std::nullopt;
    const auto whole = static_cast<qsizetype>(size);
    return std::pair{Box{type, data.sliced(reader.consumed(), whole - reader.consumed())}, whole};
}

// Boxes that fill `data` exactly; none when one is damaged or reaches past the end.
std::optional<std::vector<Box>> children(QByteArrayView data, bool toEnd = false) {
    std::vector<Box> boxes;
    while (!data.isEmpty()) {
        const auto found = box(data, toEnd);
        if (!found || boxes.size() >= maxChildren) return std::nullopt;
        boxes.push_back(found->first);
        data = data.sliced(found->second);
    }
    return boxes;
}

// The only box of `type` among `boxes`; none when there is none or more than one.
std::optional<QByteArrayView> only(const std::vector<Box>& boxes, QByteArrayView type, bool& ambiguous) {
    std::optional<QByteArrayView> found;
    for (const Box& box : boxes) {
        if (box.type != type) continue;
        if (found) ambiguous = true;
        found = box.body;
    }
    return found;
}

bool isFieldSize(int bytes) {
    return bytes == 0 || bytes == 4 || bytes == 8;
}

// The top-level boxes up to the first one that is damaged or cut, where libheif stops reading too
// (bytes left over at the end of a file are no reason to refuse it); none when that one could be
// a "meta" box, which libheif would not see.
std::optional<std::vector<Box>> topLevel(QByteArrayView file) {
    std::vector<Box> boxes;
    while (!file.isEmpty()) {
        const auto found = box(file, true);
        if (!found) {
            if (file.size() >= 8 && file.sliced(4, 4) == "meta") return std::nullopt;
            break;
        }
        boxes.push_back(found->first);
        file = file.sliced(found->second);
    }
    return boxes;
}

} // namespace

std::optional<HeifBoxes> HeifBoxes::read(QByteArrayView file) {
    const auto top = topLevel(file);
    if (!top) return std::nullopt;
    bool ambiguous = false;
    // libheif takes the last one, a plain reading the first.
    const auto meta = only(*top, "meta", ambiguous);
    if (!meta || ambiguous) return std::nullopt;
    HeifBoxes boxes;
    boxes.file_ = file;
    if (!boxes.readMeta(*meta)) return std::nullopt;
    return boxes;
}

bool HeifBoxes::readMeta(QByteArrayView body) {
    if (body.size() < 4) return false;
    const auto boxes = children(body.sliced(4));
    if (!boxes) return false;
    bool ambiguous = false;
    const auto pitm = only(*boxes, "pitm", ambiguous);
    const auto iinf = only(*boxes, "iinf", ambiguous);
    const auto iloc = only(*boxes, "iloc", ambiguous);
    const auto iprp = only(*boxes, "iprp", ambiguous);
    const auto iref = only(*boxes, "iref", ambiguous);
    const auto idat = only(*boxes, "idat", ambiguous);
    if (ambiguous || !pitm || !iinf || !iloc || !iprp) return false;
    Reader reader(*pitm);
    const std::uint32_t version = reader.u8();
    reader.read(3);
    primary_ = reader.id(version != 0);
    if (!reader.ok()) return false;
    if (idat) idat_ = *idat;
    return readItemInfos(*iinf) && readLocations(*iloc) && (!iref || readReferences(*iref)) &&
           readProperties(*iprp);
}

bool HeifBoxes::readItemInfos(QByteArrayView body) {
    Reader reader(body);
    const std::uint32_t version = reader.u8();
    reader.read(3);
    const std::uint32_t count = reader.id(version != 0);
    const auto entries = children(reader.rest());
    // libheif reads no entries at all when the count says none.
    if (!reader.ok() || !entries || (count == 0 && !entries->empty())) return false;
    for (const Box& box : *entries) {
        if (box.type != "infe") continue;
        Reader entry(box.body);
        const std::uint32_t entryVersion = entry.u8();
        entry.read(3);
        const ItemId id = entry.id(entryVersion >= 3);
        QByteArrayView type;
        if (entryVersion >= 2) {
            entry.u16(); // protection index
            type = entry.rest().first(std::min<qsizetype>(4, entry.rest().size()));
            entry.read(4);
            if (type == QByteArrayView("\0\0\0\0", 4)) type = {};
        }
        if (!entry.ok() || types_.count(id) != 0) return false;
        types_[id] = type;
    }
    return true;
}

bool HeifBoxes::readLocations(QByteArrayView body) {
    Reader reader(body);
    const std::uint32_t version = reader.u8();
    reader.read(3);
    const std::uint32_t sizes = reader.u16();
    const int offsetSize = static_cast<int>(sizes >> 12 & 15), lengthSize = static_cast<int>(sizes >> 8 & 15),
              baseSize = static_cast<int>(sizes >> 4 & 15), indexSize = static_cast<int>(sizes & 15);
    // libheif reads an index only in version 2, and fields only of 4 or 8 bytes.
    if (version > 2 || !isFieldSize(offsetSize) || !isFieldSize(lengthSize) || !isFieldSize(baseSize) ||
        (version == 2 && !isFieldSize(indexSize)) || (version == 1 && indexSize != 0))
        return false;
    const std::uint32_t count = reader.id(version == 2);
    if (count > maxItems) return false;
    for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
        const ItemId id = reader.id(version == 2);
        Location location;
        if (version >= 1) location.method = reader.u16() & 15;
        reader.u16(); // data reference
        const std::uint64_t base = reader.read(baseSize);
        const std::uint32_t extents = reader.u16();
        if (extents > maxExtents || locations_.count(id) != 0) return false;
        for (std::uint32_t e = 0; e < extents && reader.ok(); ++e) {
            if (version == 2) reader.read(indexSize);
            const std::uint64_t offset = reader.read(offsetSize);
            const std::uint64_t length = reader.read(lengthSize);
            if (offset > std::numeric_limits<std::uint64_t>::max() - base) return false;
            location.extents.push_back({base + offset, length});
        }
        locations_[id] = std::move(location);
    }
    return reader.ok();
}

bool HeifBoxes::readReferences(QByteArrayView body) {
    Reader reader(body);
    const std::uint32_t version = reader.u8();
    reader.read(3);
    if (!reader.ok()) return false;
    QByteArrayView rest = reader.rest();
    // libheif reads the references one after another, whatever size each box claims: each must
    // claim exactly what it holds.
    while (!rest.isEmpty()) {
        const auto found = box(rest, false);
        if (!found) return false;
        Reader entry(found->first.body);
        const ItemId from = entry.id(version != 0);
        const std::uint32_t count = entry.u16();
        std::vector<ItemId> targets;
        for (std::uint32_t i = 0; i < count && entry.ok(); ++i)
            targets.push_back(entry.id(version != 0));
        if (!entry.ok() || !entry.rest().isEmpty()) return false;
        const QByteArrayView type = found->first.type;
        if (type == "dimg") {
            // libheif takes the first.
            if (derivedFrom_.count(from) != 0) return false;
            derivedFrom_[from] = std::move(targets);
        } else if (type == "auxl") {
            if (targets.size() != 1) return false;
            auxiliaries_[targets.front()].push_back(from);
        }
        rest = rest.sliced(found->second);
    }
    return true;
}

bool HeifBoxes::readProperties(QByteArrayView body) {
    const auto boxes = children(body);
    if (!boxes) return false;
    bool ambiguous = false;
    const auto ipco = only(*boxes, "ipco", ambiguous);
    if (!ipco || ambiguous) return false;
    const auto properties = children(*ipco);
    if (!properties) return false;
    for (const Box& property : *properties) {
        propertyTypes_.push_back(property.type);
        propertyBodies_.push_back(property.body);
    }
    bool anyMap = false;
    for (const Box& box : *boxes) {
        if (box.type != "ipma") continue;
        anyMap = true;
        Reader reader(box.body);
        const std::uint32_t version = reader.u8();
        const auto flags = static_cast<std::uint32_t>(reader.read(3));
        const std::uint32_t count = reader.u32();
        for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
            const ItemId id = reader.id(version >= 1);
            const std::uint32_t associations = reader.u8();
            // libheif uses an item's first entry, of all the maps.
            if (associations_.count(id) != 0) return false;
            std::vector<std::uint32_t>& indices = associations_[id];
            for (std::uint32_t a = 0; a < associations && reader.ok(); ++a)
                indices.push_back((flags & 1) != 0 ? reader.u16() & 0x7fff : reader.u8() & 0x7f);
        }
        if (!reader.ok()) return false;
    }
    return anyMap;
}

QByteArrayView HeifBoxes::type(ItemId item) const {
    const auto found = types_.find(item);
    return found == types_.end() ? QByteArrayView() : found->second;
}

const std::vector<ItemId>& HeifBoxes::derivedFrom(ItemId item) const {
    static const std::vector<ItemId> none;
    const auto found = derivedFrom_.find(item);
    return found == derivedFrom_.end() ? none : found->second;
}

const std::vector<ItemId>& HeifBoxes::auxiliaries(ItemId item) const {
    static const std::vector<ItemId> none;
    const auto found = auxiliaries_.find(item);
    return found == auxiliaries_.end() ? none : found->second;
}

std::optional<std::vector<QByteArrayView>> HeifBoxes::properties(ItemId item, QByteArrayView type) const {
    std::vector<QByteArrayView> bodies;
    const auto found = associations_.find(item);
    if (found == associations_.end()) return bodies;
    for (std::uint32_t index : found->second) {
        // libheif skips an empty association in one reading and stops at it in another.
        if (index == 0 || index > propertyTypes_.size()) return std::nullopt;
        if (propertyTypes_[index - 1] == type) bodies.push_back(propertyBodies_[index - 1]);
    }
    return bodies;
}

std::optional<std::uint64_t> HeifBoxes::dataLength(ItemId item) const {
    const auto found = locations_.find(item);
    if (found == locations_.end() || found->second.method > 1) return std::nullopt;
    const QByteArrayView source = found->second.method == 1 ? idat_ : file_;
    std::uint64_t total = 0;
    for (const Extent& extent : found->second.extents) {
        // libheif reads an extent of the "idat" box from wherever the box's data starts, past its
        // end too: only extents inside it read the same.
        const auto size = static_cast<std::uint64_t>(source.size());
        if (extent.offset > size || extent.length > size - extent.offset) return std::nullopt;
        total += extent.length;
    }
    return total;
}

std::optional<QByteArray> HeifBoxes::data(ItemId item) const {
    const auto length = dataLength(item);
    if (!length) return std::nullopt;
    const Location& location = locations_.at(item);
    const QByteArrayView source = location.method == 1 ? idat_ : file_;
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(*length));
    for (const Extent& extent : location.extents)
        bytes += source.sliced(static_cast<qsizetype>(extent.offset), static_cast<qsizetype>(extent.length));
    return bytes;
}

} // namespace quorvane
