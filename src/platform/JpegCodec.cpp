#include "platform/JpegCodec.h"

#include "platform/EncodeError.h"
#include "platform/ExifOrientation.h"

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
// Each scan of a progressive file is a pass over every block of its components, however few bytes
// it takes: half a megabyte of repeated scans kept a 30-megapixel image decoding for half a minute.
// Encoders write about ten; more than 100, as libjpeg-turbo's tools can be told to refuse, is
// taken for damage.
constexpr int maxScans = 100;

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

struct Info {
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    const std::uint8_t* exif = nullptr;
    std::size_t exifSize = 0;
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
};

class JpegDecoder final : public ImageDecoder {
public:
    explicit JpegDecoder(QByteArrayView bytes) : bytes_(bytes) {}
    ~JpegDecoder() override {
        if (created_) jpeg_destroy_decompress(&info_);
    }

    Status readHeader(ImageHeader& header) override {
        Info info;
        const bool ok = readInfo(info);
        if (info.icc != nullptr) {
            if (ok) header.iccProfile = QByteArray(reinterpret_cast<const char*>(info.icc), info.iccSize);
            std::free(info.icc);
        }
        if (!ok || scanCount(bytes_, maxScans) > maxScans) return Status::unreadable;
        header.width = info.width;
        header.height = info.height;
        header.hasAlpha = false;
        header.orientation = ExifOrientation::read(info.exif, info.exifSize);
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
        jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);
        if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK) return false;
        info.width = info_.image_width;
        info.height = info_.image_height;
        for (jpeg_saved_marker_ptr marker = info_.marker_list; marker != nullptr; marker = marker->next)
            if (marker->marker == JPEG_APP0 + 1 && marker->data_length > 6 &&
                std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
                info.exif = marker->data + 6;
                info.exifSize = marker->data_length - 6;
                break;
            }
        jpeg_read_icc_profile(&info_, &info.icc, &info.iccSize);
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

} // namespace quorvane::JpegCodec
