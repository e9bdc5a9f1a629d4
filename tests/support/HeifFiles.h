#pragma once

// HEIF files put together item by item, for what libheif's encoder never writes: grids of many
// tiles, shared tiles, alpha planes of tiles, images of other codecs and damaged boxes. The coded
// pictures come from libheif's own encoder.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <vector>

namespace quorvane::test {

// One picture as libheif's encoder writes it: its "hvcC" property's body and its coded data.
struct CodedPicture {
    QByteArray configuration;
    QByteArray data;
};

// `image` (sides multiples of 8, so that it is stored as one picture) encoded as HEVC.
CodedPicture encodePicture(const QImage& image);
// `image` as a whole HEIC file from libheif's encoder, with its alpha plane when it has one.
QByteArray encodeHeic(const QImage& image);

// The same configuration (or whole file) whose sequence parameter set declares `width` × `height`,
// keeping its length.
QByteArray withCodedSize(QByteArray configuration, std::uint32_t width, std::uint32_t height);

QByteArray box(QByteArrayView type, QByteArrayView body);
QByteArray fullBox(QByteArrayView type, int version, std::uint32_t flags, QByteArrayView body);
QByteArray be16(std::uint32_t value);
QByteArray be32(std::uint32_t value);

struct HeifFile {
    struct Item {
        std::uint32_t id = 0;
        QByteArray type;
        QByteArray data;
        // In the "idat" box rather than the "mdat" box.
        bool inIdat = false;
        // Indices into `properties`, from 1.
        std::vector<int> properties;
    };
    struct Reference {
        QByteArray type;
        std::uint32_t from = 0;
        std::vector<std::uint32_t> to;
    };

    std::uint32_t primary = 1;
    // Whole property boxes.
    std::vector<QByteArray> properties;
    std::vector<Item> items;
    std::vector<Reference> references;
    // Added to the end of the "meta" box.
    QByteArray extraMeta;

    // Adds a whole property box; returns its index.
    int addProperty(QByteArray whole);
    static QByteArray configurationBox(const QByteArray& configuration);
    static QByteArray sizeBox(std::uint32_t width, std::uint32_t height);
    // The record of a grid of `rows` × `columns` tiles on a canvas of `width` × `height`.
    static QByteArray gridRecord(int rows, int columns, std::uint32_t width, std::uint32_t height);
    // Tiles of `pictures` in a grid: items 1… the tiles, the last one the grid and primary item.
    static HeifFile grid(const std::vector<CodedPicture>& pictures, int rows, int columns,
                         std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
                         std::uint32_t tileHeight);

    QByteArray ftyp() const;
    // Its "meta" box for an "mdat" box whose data starts at `mdatData`.
    QByteArray meta(std::uint32_t mdatData) const;
    QByteArray mdat() const;
    // The whole file: "ftyp", "meta", "mdat".
    QByteArray bytes() const;
};

} // namespace quorvane::test
