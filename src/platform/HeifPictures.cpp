#include "platform/HeifPictures.h"

#include "platform/HeifBoxes.h"
#include "platform/HevcDecoderInput.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <set>

namespace quorvane {
namespace {

using Size = HeifPictures::Size;
using ItemId = HeifBoxes::ItemId;

// Grids of grids are legal, never this deep.
constexpr int maxDepth = 8;

// Sides are 32-bit fields: clamped, their product cannot overflow.
std::int64_t area(const Size& size) {
    constexpr std::int64_t side = std::int64_t{1} << 31;
    return std::clamp<std::int64_t>(size.width, 0, side) * std::clamp<std::int64_t>(size.height, 0, side);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    return a > std::numeric_limits<std::int64_t>::max() - b ? std::numeric_limits<std::int64_t>::max()
                                                            : a + b;
}

std::uint64_t bigEndian(QByteArrayView bytes, qsizetype at, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The canvas of a grid or overlay record as libheif reads it, for `inputs` images; none when
// libheif would refuse the record.
std::optional<Size> canvas(QByteArrayView record, bool overlay, std::size_t inputs) {
    if (record.size() < 2) return std::nullopt;
    const int field = (static_cast<std::uint8_t>(record[1]) & 1) != 0 ? 4 : 2;
    if (overlay) {
        // Version 0 only; four fill values, the size, then an offset pair per image.
        const auto needed = 2 + 8 + 2 * field + static_cast<qsizetype>(inputs) * 2 * field;
        if (record[0] != 0 || record.size() < needed) return std::nullopt;
        return Size{static_cast<std::int64_t>(bigEndian(record, 10, field)),
                    static_cast<std::int64_t>(bigEndian(record, 10 + field, field))};
    }
    // Rows and columns, each less one, then the size; every tile must be named.
    if (record.size() < 4 + 2 * field) return std::nullopt;
    const std::size_t tiles = (static_cast<std::size_t>(static_cast<std::uint8_t>(record[2])) + 1) *
                              (static_cast<std::size_t>(static_cast<std::uint8_t>(record[3])) + 1);
    if (tiles != inputs) return std::nullopt;
    return Size{static_cast<std::int64_t>(bigEndian(record, 4, field)),
                static_cast<std::int64_t>(bigEndian(record, 4 + field, field))};
}

struct Cost {
    std::int64_t canvas = 0;
    std::int64_t coded = 0;

    void add(const Cost& other) {
        canvas = saturatingAdd(canvas, other.canvas);
        coded = saturatingAdd(coded, other.coded);
    }
};

class Walk {
public:
    Walk(const HeifBoxes& boxes, std::uint64_t fileLength) : boxes_(boxes), dataLeft_(fileLength) {}

    // What decoding `item` makes, counted per use; none when it cannot be bounded.
    std::optional<Cost> visit(ItemId item, int depth) {
        if (const auto known = costs_.find(item); known != costs_.end()) return known->second;
        if (depth > maxDepth || !onPath_.insert(item).second) return std::nullopt;
        std::optional<Cost> cost = own(item, depth);
        for (ItemId auxiliary : boxes_.auxiliaries(item)) {
            const auto alpha = cost ? isAlphaPlane(auxiliary) : std::nullopt;
            if (!alpha) return std::nullopt;
            // Depth maps and the like are not decoded with the image.
            if (!*alpha) continue;
            const auto plane = visit(auxiliary, depth + 1);
            if (!plane) return std::nullopt;
            cost->add(*plane);
        }
        onPath_.erase(item);
        if (cost) costs_[item] = *cost;
        return cost;
    }

    std::vector<Size> sizes;

private:
    std::optional<Cost> own(ItemId item, int depth) {
        const QByteArrayView type = boxes_.type(item);
        const auto declared = boxes_.properties(item, "ispe");
        if (!declared) return std::nullopt;
        for (QByteArrayView extents : *declared) {
            if (extents.size() < 12) return std::nullopt;
            sizes.push_back({static_cast<std::int64_t>(bigEndian(extents, 4, 4)),
                             static_cast<std::int64_t>(bigEndian(extents, 8, 4))});
        }
        if (type == "hvc1") return coded(item);
        const bool overlay = type == "iovl";
        if (type != "grid" && !overlay && type != "iden") return std::nullopt;
        const std::vector<ItemId>& inputs = boxes_.derivedFrom(item);
        Cost cost;
        if (type == "iden") {
            if (inputs.size() != 1) return std::nullopt;
        } else {
            const auto record = data(item);
            const auto size = record ? canvas(*record, overlay, inputs.size()) : std::nullopt;
            if (!size) return std::nullopt;
            sizes.push_back(*size);
            cost.canvas = area(*size);
        }
        for (ItemId input : inputs) {
            const auto part = visit(input, depth + 1);
            if (!part) return std::nullopt;
            cost.add(*part);
        }
        return cost;
    }

    // Whether libheif would decode the auxiliary image as an alpha plane (it also needs the
    // image's size, which is not asked here); none when that cannot be read.
    std::optional<bool> isAlphaPlane(ItemId item) const {
        static const QByteArrayView alphaTypes[] = {"urn:mpeg:avc:2015:auxid:1", "urn:mpeg:hevc:2015:auxid:1",
                                                    "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha"};
        const auto kinds = boxes_.properties(item, "auxC");
        if (!kinds) return std::nullopt;
        for (QByteArrayView kind : *kinds) {
            // A full box: version and flags, then the type as a text ended by a zero.
            if (kind.size() < 4) return std::nullopt;
            const QByteArrayView text = kind.sliced(4);
            const QByteArrayView type = text.first(text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0'));
            if (std::find(std::begin(alphaTypes), std::end(alphaTypes), type) != std::end(alphaTypes))
                return true;
        }
        return false;
    }

    std::optional<Cost> coded(ItemId item) {
        const auto configurations = boxes_.properties(item, "hvcC");
        const auto bytes = data(item);
        if (!configurations || configurations->size() != 1 || !bytes) return std::nullopt;
        const auto input = HevcDecoderInput::read(configurations->front(), *bytes);
        if (!input || !input->idrOnly || input->pictures > 1) return std::nullopt;
        Cost cost;
        for (const HevcPictureSize::Size& size : input->pictureSizes) {
            sizes.push_back({size.width, size.height});
            cost.coded = std::max(cost.coded, area(sizes.back()));
        }
        return cost;
    }

    // An item's data; the data of all items together may not be longer than the file, so that
    // reading them stays bounded however often a crafted file names the same bytes.
    std::optional<QByteArray> data(ItemId item) {
        const auto length = boxes_.dataLength(item);
        if (!length || *length > dataLeft_) return std::nullopt;
        dataLeft_ -= *length;
        return boxes_.data(item);
    }

    const HeifBoxes& boxes_;
    std::uint64_t dataLeft_;
    std::set<ItemId> onPath_;
    std::map<ItemId, Cost> costs_;
};

} // namespace

std::optional<HeifPictures> HeifPictures::read(QByteArrayView file) {
    const auto boxes = HeifBoxes::read(file);
    if (!boxes) return std::nullopt;
    Walk walk(*boxes, static_cast<std::uint64_t>(file.size()));
    const auto cost = walk.visit(boxes->primary(), 0);
    if (!cost) return std::nullopt;
    return HeifPictures{boxes->primary(), std::move(walk.sizes), cost->canvas, cost->coded};
}

} // namespace quorvane
