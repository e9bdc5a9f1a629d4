#include "support/HeifFiles.h"

#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <string>

namespace quorvane::test {
namespace {

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The body of the first box of `type` in `file`, found by its name.
QByteArray bodyOf(const QByteArray& file, const char* type) {
    const qsizetype at = file.indexOf(type);
    if (at < 4) return {};
    const auto size = static_cast<qsizetype>(
        static_cast<std::uint8_t>(file[at - 4]) << 24 | static_cast<std::uint8_t>(file[at - 3]) << 16 |
        static_cast<std::uint8_t>(file[at - 2]) << 8 | static_cast<std::uint8_t>(file[at - 1]));
    return file.mid(at + 4, size - 8);
}

} // namespace

QByteArray be16(std::uint32_t value) {
    return QByteArray(1, char(value >> 8 & 0xFF)) + char(value & 0xFF);
}

QByteArray be32(std::uint32_t value) {
    return be16(value >> 16) + be16(value & 0xFFFF);
}

QByteArray box(QByteArrayView type, QByteArrayView body) {
    return be32(std::uint32_t(8 + body.size())) + type.toByteArray() + body.toByteArray();
}

QByteArray fullBox(QByteArrayView type, int version, std::uint32_t flags, QByteArrayView body) {
    return box(type, QByteArray(1, char(version)) + be32(flags).mid(1) + body.toByteArray());
}

QByteArray encodeHeic(const QImage& image) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_image* picture = nullptr;
    const bool alpha = image.hasAlphaChannel();
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    const QImage rgb = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), (alpha ? 4 : 3) * std::size_t(image.width()));
    heif_context_encode_image(context, picture, encoder, nullptr, nullptr);
    QByteArray file;
    heif_writer writer{1, appendTo};
    heif_context_write(context, &writer, &file);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return file;
}

CodedPicture encodePicture(const QImage& image) {
    const QByteArray file = encodeHeic(image);
    // One picture: the "mdat" box holds exactly its data.
    return {bodyOf(file, "hvcC"), bodyOf(file, "mdat")};
}

QByteArray withCodedSize(QByteArray configuration, std::uint32_t width, std::uint32_t height) {
    // After the set's header and first byte, the profile (twelve bytes, not counting
    // emulation-prevention bytes), then the set's id, the chroma format and the size, as
    // Exp-Golomb codes. In a whole file, the set is the one after "hvcC".
    qsizetype at = configuration.indexOf(QByteArray("\x42\x01", 2),
                                         std::max<qsizetype>(0, configuration.indexOf("hvcC"))) +
                   3;
    for (int payload = 0, zeros = 0; payload < 12; ++at) {
        const char c = configuration[at];
        if (zeros >= 2 && c == 3) {
            zeros = 0;
            continue;
        }
        zeros = c == 0 ? zeros + 1 : 0;
        ++payload;
    }
    std::string bits = "1010"; // set 0, chroma format 1
    for (std::uint32_t value : {width, height}) {
        std::string code;
        for (std::uint64_t v = std::uint64_t{value} + 1; v != 0; v >>= 1)
            code.insert(code.begin(), char('0' + (v & 1)));
        bits += std::string(code.size() - 1, '0') + code;
    }
    bits.resize((bits.size() + 7) / 8 * 8, '1');
    for (std::size_t i = 0; i < bits.size(); i += 8)
        configuration[at + qsizetype(i / 8)] = char(std::stoi(bits.substr(i, 8), nullptr, 2));
    return configuration;
}

int HeifFile::addProperty(QByteArray whole) {
    properties.push_back(std::move(whole));
    return int(properties.size());
}

QByteArray HeifFile::configurationBox(const QByteArray& configuration) {
    return box("hvcC", configuration);
}

QByteArray HeifFile::sizeBox(std::uint32_t width, std::uint32_t height) {
    return fullBox("ispe", 0, 0, be32(width) + be32(height));
}

QByteArray HeifFile::gridRecord(int rows, int columns, std::uint32_t width, std::uint32_t height) {
    return QByteArray(1, 0) + char(1) + char(rows - 1) + char(columns - 1) + be32(width) + be32(height);
}

HeifFile HeifFile::grid(const std::vector<CodedPicture>& pictures, int rows, int columns, std::uint32_t width,
                        std::uint32_t height, std::uint32_t tileWidth, std::uint32_t tileHeight) {
    HeifFile file;
    const int tileSize = file.addProperty(sizeBox(tileWidth, tileHeight));
    const std::uint32_t gridId = std::uint32_t(pictures.size()) + 1;
    Reference tiles{"dimg", gridId, {}};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const int configuration = file.addProperty(configurationBox(pictures[i].configuration));
        file.items.push_back(
            {std::uint32_t(i + 1), "hvc1", pictures[i].data, false, {configuration, tileSize}});
    }
    for (int cell = 0; cell < rows * columns; ++cell)
        tiles.to.push_back(std::uint32_t(cell % pictures.size()) + 1);
    const int canvas = file.addProperty(sizeBox(width, height));
    file.items.push_back({gridId, "grid", gridRecord(rows, columns, width, height), true, {canvas}});
    file.references.push_back(tiles);
    file.primary = gridId;
    return file;
}

QByteArray HeifFile::ftyp() const {
    return box("ftyp", QByteArray("heic") + be32(0) + "mif1heicmiaf");
}

QByteArray HeifFile::meta(std::uint32_t mdatData) const {
    QByteArray locations, infos, idat, refs, map;
    std::uint32_t inMdat = mdatData;
    for (const Item& item : items) {
        const std::uint32_t offset = item.inIdat ? std::uint32_t(idat.size()) : inMdat;
        locations += be16(item.id) + be16(item.inIdat ? 1 : 0) + be16(0) + be16(1) + be32(offset) +
                     be32(std::uint32_t(item.data.size()));
        if (item.inIdat)
            idat += item.data;
        else
            inMdat += std::uint32_t(item.data.size());
        infos += fullBox("infe", 2, 0, be16(item.id) + be16(0) + item.type + QByteArray(1, '\0'));
        QByteArray indices;
        for (int index : item.properties)
            indices += char(index);
        map += be16(item.id) + char(item.properties.size()) + indices;
    }
    for (const Reference& reference : references) {
        QByteArray targets;
        for (std::uint32_t to : reference.to)
            targets += be16(to);
        refs +=
            box(reference.type, be16(reference.from) + be16(std::uint32_t(reference.to.size())) + targets);
    }
    QByteArray propertyBoxes;
    for (const QByteArray& property : properties)
        propertyBoxes += property;
    const QByteArray body =
        fullBox("hdlr", 0, 0, be32(0) + "pict" + QByteArray(13, '\0')) +
        fullBox("pitm", 0, 0, be16(primary)) +
        fullBox("iloc", 1, 0, be16(0x4400) + be16(std::uint32_t(items.size())) + locations) +
        fullBox("iinf", 0, 0, be16(std::uint32_t(items.size())) + infos) +
        (refs.isEmpty() ? QByteArray() : fullBox("iref", 0, 0, refs)) +
        box("iprp",
            box("ipco", propertyBoxes) + fullBox("ipma", 0, 0, be32(std::uint32_t(items.size())) + map)) +
        (idat.isEmpty() ? QByteArray() : box("idat", idat)) + extraMeta;
    return fullBox("meta", 0, 0, body);
}

QByteArray HeifFile::mdat() const {
    QByteArray data;
    for (const Item& item : items)
        if (!item.inIdat) data += item.data;
    return box("mdat", data);
}

QByteArray HeifFile::bytes() const {
    const QByteArray head = ftyp() + meta(0);
    return ftyp() + meta(std::uint32_t(head.size()) + 8) + mdat();
}

} // namespace quorvane::test
