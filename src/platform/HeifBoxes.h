#pragma once

// The items of a HEIF file, read the way libheif 1.15 reads the boxes that decide what decoding
// allocates: the primary item, item types, locations and data, references and properties. Where
// libheif could read one of these otherwise than a plain reading does (a second box where it takes
// the first or the last, a field size it skips, data it reads past the end of its box) the file is
// not read at all, so that a size checked here is the size libheif works with.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace quorvane {

class HeifBoxes {
public:
    using ItemId = std::uint32_t;

    // None when the boxes are damaged or ambiguous.
    static std::optional<HeifBoxes> read(QByteArrayView file);

    ItemId primary() const { return primary_; }
    // The four-character type of an item; empty for an item without an entry that names one.
    QByteArrayView type(ItemId item) const;
    // The targets of the item's "dimg" references, in order.
    const std::vector<ItemId>& derivedFrom(ItemId item) const;
    // The items whose "auxl" reference names `item` (its alpha plane among them).
    const std::vector<ItemId>& auxiliaries(ItemId item) const;
    // The bodies of the item's properties of `type`, in the order of association. None when an
    // association names no property.
    std::optional<std::vector<QByteArrayView>> properties(ItemId item, QByteArrayView type) const;
    // The item's data as libheif reads it: its extents joined. None when it has no location, or
    // when an extent lies outside the file or its "idat" box.
    std::optional<QByteArray> data(ItemId item) const;
    // The bytes the item's extents name, counted once per extent.
    std::optional<std::uint64_t> dataLength(ItemId item) const;

    struct Extent {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };
    struct Location {
        // 0: in the file, 1: in the "idat" box.
        std::uint32_t method = 0;
        std::vector<Extent> extents;
    };

private:
    bool readMeta(QByteArrayView body);
    bool readItemInfos(QByteArrayView body);
    bool readLocations(QByteArrayView body);
    bool readReferences(QByteArrayView body);
    bool readProperties(QByteArrayView body);

    QByteArrayView file_;
    QByteArrayView idat_;
    ItemId primary_ = 0;
    std::map<ItemId, QByteArrayView> types_;
    std::map<ItemId, Location> locations_;
    std::map<ItemId, std::vector<ItemId>> derivedFrom_;
    std::map<ItemId, std::vector<ItemId>> auxiliaries_;
    std::vector<QByteArrayView> propertyTypes_;
    std::vector<QByteArrayView> propertyBodies_;
    std::map<ItemId, std::vector<std::uint32_t>> associations_;
};

} // namespace quorvane
