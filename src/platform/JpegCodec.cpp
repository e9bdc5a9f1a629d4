#include "platform/JpegCodec.h"

#include "platform/EncodeError.h"
#include "platform/ExifOrientation.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <vector>

namespace quorvane::JpegCodec {
namespace {

// Far above any real image within the importer's caps; bounds what a hostile header can ask for.
constexpr long memoryLimit = 768L << 20;

// The scans of a JPEG, counted by their markers up to the end of the image, without decoding
// them; counting stops past `limit`. Segments are skipped by their lengths, so that the markers
// of an embedded thumbnail do not count.
int scanCount(QByteArrayView bytes, int limit) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto size = static_cast<std::size_t>(bytes.size());
    int scans = 0;
    std::size_t at = 2;
    while (at < size && scans <= limit) {
        // Entropy-coded data, and anything else up to the next marker, is passed over.
        const void* mark = std::memchr(data + at, 0xFF, size - at);
        if (mark == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(mark) - data);
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size) break;
        const std::uint8_t marker = data[at++];
        // A stuffed zero, a restart marker, the start of the image or a marker without a segment.
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) continue;
        if (marker == 0xD9 || at + 2 > size) break;
        if (marker == 0xDA) ++scans;
        at += static_cast<std::size_t>(data[at]) << 8 | data[at + 1];
    }
    return scans;
}

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
    // Warnings that mean the data ended before the image did.
    if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        onError(info);
}

void onProgress(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxScans)
        onError(info);
}

void installErrorManager(ErrorManager& errors) {
    jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
}

Result<void, Error> compress(int width, int height, int quality, const RowSource& row,
                             std::uint8_t* rowBuffer, unsigned char** out, unsigned long* outSize) {
    jpeg_compress_struct info{};
    ErrorManager errors;
    installErrorManager(errors);
    info.err = &errors.base;
    if (setjmp(errors.jump)) {
        char message[JMSG_LENGTH_MAX] = {};
        errors.base.format_message(reinterpret_cast<j_common_ptr>(&info), message);
        jpeg_destroy_compress(&info);
        return Failure{EncodeError::error(EncodeError::Kind::libraryFailed, QString::fromLocal8Bit(message))};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[1] = {rowBuffer};
    for (int y = 0; y < height; ++y) {
        row(y, rowBuffer);
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return {};
}

// What the segments before the first scan hold of the metadata, gathered as libjpeg passes them;
// every other segment is skipped, never stored.
struct Metadata {
    bool headerRead = false;
    bool exifFound = false;
    std::vector<std::uint8_t> exif;
    struct Part {
        int number = 0;
        int count = 0;
        std::vector<std::uint8_t> data;
    };
    std::vector<Part> profileParts;
    std::int64_t profileLength = 0;
    bool profileDropped = false;
};

bool readBytes(j_decompress_ptr info, std::uint8_t* out, std::size_t count) {
    jpeg_source_mgr* source = info->src;
    while (count > 0) {
        if (source->bytes_in_buffer == 0 && source->fill_input_buffer(info) == FALSE) return false;
        const std::size_t piece = std::min(count, source->bytes_in_buffer);
        std::memcpy(out, source->next_input_byte, piece);
        source->next_input_byte += piece;
        source->bytes_in_buffer -= piece;
        out += piece;
        count -= piece;
    }
    return true;
}

// The length of a segment's data and its first bytes: plain data, since libjpeg leaves the
// reading by a long jump when the data ends.
struct Label {
    std::int64_t dataLength = 0;
    std::uint8_t bytes[JpegCodec::labelLength] = {};
    qsizetype size = 0;
    QByteArrayView view() const { return {reinterpret_cast<const char*>(bytes), size}; }
};

// The label of the segment whose marker was just read; false when the data ended (libjpeg has
// then been told).
bool readLabel(j_decompress_ptr info, Label& label) {
    std::uint8_t length[2];
    if (!readBytes(info, length, 2)) return false;
    label.dataLength = (length[0] << 8 | length[1]) - 2;
    label.size = std::clamp<std::int64_t>(label.dataLength, 0, JpegCodec::labelLength);
    return readBytes(info, label.bytes, static_cast<std::size_t>(label.size));
}

void skipRest(j_decompress_ptr info, const Label& label) {
    if (label.dataLength > label.size)
        info->src->skip_input_data(info, static_cast<long>(label.dataLength - label.size));
}

boolean readApp1(j_decompress_ptr info) {
    auto& metadata = *static_cast<Metadata*>(info->client_data);
    Label label;
    if (!readLabel(info, label)) return FALSE;
    if (metadata.headerRead || metadata.exifFound || !JpegCodec::isExif(label.view(), label.dataLength)) {
        skipRest(info, label);
        return TRUE;
    }
    metadata.exifFound = true;
    metadata.exif.assign(label.bytes, label.bytes + label.size);
    metadata.exif.resize(static_cast<std::size_t>(label.dataLength));
    return readBytes(info, metadata.exif.data() + label.size, metadata.exif.size() - label.size) ? TRUE
                                                                                                 : FALSE;
}

// Parts of a profile larger than the limit are all dropped: the picture is then taken as sRGB.
boolean readApp2(j_decompress_ptr info) {
    auto& metadata = *static_cast<Metadata*>(info->client_data);
    Label label;
    if (!readLabel(info, label)) return FALSE;
    if (metadata.headerRead || metadata.profileDropped ||
        !JpegCodec::isProfilePart(label.view(), label.dataLength)) {
        skipRest(info, label);
        return TRUE;
    }
    if (metadata.profileLength + label.dataLength > maxIccProfileLength) {
        metadata.profileDropped = true;
        metadata.profileParts.clear();
        skipRest(info, label);
        return TRUE;
    }
    metadata.profileLength += label.dataLength;
    Metadata::Part& part = metadata.profileParts.emplace_back();
    part.number = label.bytes[12];
    part.count = label.bytes[13];
    part.data.resize(static_cast<std::size_t>(label.dataLength - label.size));
    return readBytes(info, part.data.data(), part.data.size()) ? TRUE : FALSE;
}

// The profile its parts make, numbered 1 to their count, each once; none otherwise, as libjpeg's
// own reading.
QByteArray profile(const std::vector<Metadata::Part>& parts) {
    if (parts.empty()) return {};
    const int count = parts.front().count;
    std::vector<const Metadata::Part*> numbered(static_cast<std::size_t>(count) + 1, nullptr);
    for (const Metadata::Part& part : parts) {
        if (part.count != count || part.number < 1 || part.number > count) return {};
        if (numbered[static_cast<std::size_t>(part.number)] != nullptr) return {};
        numbered[static_cast<std::size_t>(part.number)] = &part;
    }
    QByteArray joined;
    for (int number = 1; number <= count; ++number) {
        const Metadata::Part* part = numbered[static_cast<std::size_t>(number)];
        if (part == nullptr) return {};
        joined.append(reinterpret_cast<const char*>(part->data.data()),
                      static_cast<qsizetype>(part->data.size()));
    }
    return joined;
}

struct Info {
    JDIMENSION width = 0;
    JDIMENSION height = 0;
};

class JpegDecoder final : public ImageDecoder {
public:
    explicit JpegDecoder(QByteArrayView bytes) : bytes_(bytes) {}
    ~JpegDecoder() override {
        if (created_) jpeg_destroy_decompress(&info_);
    }

    Status readHeader(ImageHeader& header) override {
        Info info;
        if (!readInfo(info) || scanCount(bytes_, maxScans) > maxScans) return Status::unreadable;
        header.width = info.width;
        header.height = info.height;
        header.hasAlpha = false;
        if (metadata_.exifFound)
            header.orientation = ExifOrientation::read(metadata_.exif.data() + 6, metadata_.exif.size() - 6);
        header.iccProfile = profile(metadata_.profileParts);
        metadata_.profileParts.clear();
        return Status::image;
    }

    bool decode(QImage& target) override {
        if (!created_) return false;
        std::vector<std::uint8_t> cmykRow;
        const bool cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        if (cmyk) cmykRow.resize(static_cast<std::size_t>(target.width()) * 4);
        return readRows(target.bits(), target.bytesPerLine(), target.width(), target.height(),
                        cmyk ? cmykRow.data() : nullptr);
    }

private:
    bool readInfo(Info& info) {
        info_.err = &errors_.base;
        installErrorManager(errors_);
        if (setjmp(errors_.jump)) return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.mem->max_memory_to_use = memoryLimit;
        progress_.progress_monitor = onProgress;
        info_.progress = &progress_;
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes_.data()),
                     static_cast<unsigned long>(bytes_.size()));
        info_.client_data = &metadata_;
        jpeg_set_marker_processor(&info_, JPEG_APP0 + 1, readApp1);
        jpeg_set_marker_processor(&info_, JPEG_APP0 + 2, readApp2);
        const int read = jpeg_read_header(&info_, TRUE);
        // Segments between later scans are skipped.
        metadata_.headerRead = true;
        if (read != JPEG_HEADER_OK) return false;
        info.width = info_.image_width;
        info.height = info_.image_height;
        return true;
    }

    bool readRows(std::uint8_t* bits, qsizetype stride, int width, int height, std::uint8_t* cmykRow) {
        if (setjmp(errors_.jump)) return false;
        // RGBA rather than RGBX: libjpeg then sets the fourth byte to 255.
        info_.out_color_space = cmykRow != nullptr ? JCS_CMYK : JCS_EXT_RGBA;
        jpeg_start_decompress(&info_);
        if (info_.output_width != static_cast<JDIMENSION>(width) ||
            info_.output_height != static_cast<JDIMENSION>(height) || info_.output_components != 4)
            return false;
        // Adobe writes CMYK inverted.
        const bool inverted = info_.saw_Adobe_marker != 0;
        while (info_.output_scanline < info_.output_height) {
            const int y = static_cast<int>(info_.output_scanline);
            JSAMPROW rows[1] = {cmykRow != nullptr ? cmykRow : bits + y * stride};
            if (jpeg_read_scanlines(&info_, rows, 1) != 1) return false;
            if (cmykRow == nullptr) continue;
            std::uint8_t* out = bits + y * stride;
            for (int x = 0; x < width; ++x) {
                unsigned c = cmykRow[4 * x], m = cmykRow[4 * x + 1], yellow = cmykRow[4 * x + 2],
                         k = cmykRow[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yellow = 255 - yellow;
                    k = 255 - k;
                }
                out[4 * x] = static_cast<std::uint8_t>((c * k + 127) / 255);
                out[4 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                out[4 * x + 2] = static_cast<std::uint8_t>((yellow * k + 127) / 255);
                out[4 * x + 3] = 255;
            }
        }
        return true;
    }

    QByteArrayView bytes_;
    Metadata metadata_;
    jpeg_decompress_struct info_{};
    ErrorManager errors_{};
    jpeg_progress_mgr progress_{};
    bool created_ = false;
};

} // namespace

Result<QByteArray, Error> encode(int width, int height, int quality, const RowSource& row) {
    if (width < 1 || height < 1 || !row)
        return Failure{EncodeError::error(EncodeError::Kind::unsupportedImage)};
    std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(width) * 4);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const auto compressed = compress(width, height, quality, row, rowBuffer.data(), &out, &outSize);
    Result<QByteArray, Error> result = Failure{EncodeError::error(EncodeError::Kind::outOfMemory)};
    if (!compressed)
        result = Failure{compressed.error()};
    else if (out != nullptr)
        result = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    return result;
}

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<JpegDecoder>(bytes);
}

bool isExif(QByteArrayView label, std::int64_t dataLength) {
    return dataLength > 6 && label.startsWith(QByteArrayView("Exif\0\0", 6));
}

bool isProfilePart(QByteArrayView label, std::int64_t dataLength) {
    return dataLength >= labelLength && label.startsWith(QByteArrayView("ICC_PROFILE\0", 12));
}

std::optional<std::int64_t> longestScan(std::uint8_t code, QByteArrayView frame) {
    // A block's 64 coefficients take at most 16 bits of code and 15 of value each (12-bit samples),
    // under 250 bytes, or 500 with every byte stuffed; the rest leaves room for restart markers and
    // fill bytes.
    constexpr std::int64_t perBlock = 1024;
    const bool huffman = code == 0xC0 || code == 0xC1 || code == 0xC2;
    if (!huffman || frame.size() < 6) return std::nullopt;
    const auto byte = [&](qsizetype at) { return static_cast<std::uint8_t>(frame[at]); };
    const std::int64_t height = byte(1) << 8 | byte(2), width = byte(3) << 8 | byte(4);
    const int components = byte(5);
    if (height == 0 || width == 0 || components == 0 || frame.size() < 6 + 3 * components)
        return std::nullopt;
    // Every scan codes some of the blocks of the frame's MCUs, however its components interleave.
    std::int64_t widest = 1, tallest = 1, blocks = 0;
    for (int i = 0; i < components; ++i) {
        const int sampling = byte(7 + 3 * i), across = sampling >> 4, down = sampling & 15;
        if (across < 1 || across > 4 || down < 1 || down > 4) return std::nullopt;
        widest = std::max<std::int64_t>(widest, across);
        tallest = std::max<std::int64_t>(tallest, down);
        blocks += across * down;
    }
    const std::int64_t units =
        (width + 8 * widest - 1) / (8 * widest) * ((height + 8 * tallest - 1) / (8 * tallest));
    return units * blocks * perBlock;
}

} // namespace quorvane::JpegCodec
