#include "platform/PngCodec.h"

#include "core/ParallelFor.h"
#include "platform/DeflateJoin.h"
#include "platform/EncodeError.h"
#include "platform/ExifOrientation.h"
#include "platform/PixelRows.h"
#include "platform/PngFilters.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <libdeflate.h>
#include <new>
#include <png.h>
#include <vector>
#include <zlib.h>

namespace quorvane::PngCodec {
namespace {

// ---- Encoding -------------------------------------------------------------------------------

constexpr std::uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// libdeflate at level 7, measured on real screenshots, writes files within a few percent of
// zlib's default level (Qt's writer) at about a third of its work; strips of half a megabyte
// keep every core busy and cost well under a percent in size.
constexpr int compressionLevel = 7;
constexpr std::size_t stripBytes = 512 * 1024;

void putU32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t chunkCrc(const char* type, const std::uint8_t* data, std::size_t size) {
    const std::uint32_t crc = libdeflate_crc32(0, type, 4);
    return size == 0 ? crc : libdeflate_crc32(crc, data, size);
}

void appendChunk(QByteArray& out, const char* type, const std::uint8_t* data, std::size_t size,
                 std::uint32_t crc) {
    std::uint8_t header[8];
    putU32(header, static_cast<std::uint32_t>(size));
    std::memcpy(header + 4, type, 4);
    out.append(reinterpret_cast<const char*>(header), 8);
    if (size > 0) out.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::uint8_t trailer[4];
    putU32(trailer, crc);
    out.append(reinterpret_cast<const char*>(trailer), 4);
}

void appendChunk(QByteArray& out, const char* type, const std::uint8_t* data, std::size_t size) {
    appendChunk(out, type, data, size, chunkCrc(type, data, size));
}

// Source rows as PNG samples: RGB, or RGBA with straight alpha.
void convertRow(const std::uint8_t* source, std::uint8_t* target, int width, int channels,
                QImage::Format format) {
    if (channels == 3) {
        for (int x = 0; x < width; ++x, source += 4, target += 3) {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
        }
    } else if (format == QImage::Format_RGBA8888) {
        std::memcpy(target, source, static_cast<std::size_t>(width) * 4);
    } else {
        for (int x = 0; x < width; ++x, source += 4, target += 4) {
            const unsigned alpha = source[3];
            if (alpha == 255) {
                std::memcpy(target, source, 4);
                continue;
            }
            const std::uint8_t* table = PixelRows::unpremultiplyTable(alpha);
            target[0] = table[source[0]];
            target[1] = table[source[1]];
            target[2] = table[source[2]];
            target[3] = static_cast<std::uint8_t>(alpha);
        }
    }
}

struct Strip {
    int firstRow = 0;
    int rowCount = 0;
    // The IDAT payload: deflate output, after the zlib header for the first strip.
    std::vector<std::uint8_t> payload;
    std::uint32_t crc = 0;
    std::uint32_t adler = 1;
    std::size_t filteredSize = 0;
    Result<void, Error> encoded;
};

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

void encodeStrip(const QImage& image, int channels, Strip& strip, bool first, bool last) {
    const int width = image.width();
    const std::size_t rowSize = static_cast<std::size_t>(width) * channels;
    // Rows behind `channels` zero bytes (the left neighbours of the first pixel) and ahead of
    // slack for whole SIMD blocks.
    std::vector<std::uint8_t> rows[2] = {
        std::vector<std::uint8_t>(channels + rowSize + PngFilters::slack, 0),
        std::vector<std::uint8_t>(channels + rowSize + PngFilters::slack, 0)};
    const std::size_t filteredSize = (rowSize + 1) * static_cast<std::size_t>(strip.rowCount);
    std::vector<std::uint8_t> filtered(filteredSize + PngFilters::slack);
    if (strip.firstRow > 0)
        convertRow(image.constScanLine(strip.firstRow - 1), rows[0].data() + channels, width, channels,
                   image.format());
    for (int i = 0; i < strip.rowCount; ++i) {
        std::uint8_t* row = rows[(i + 1) & 1].data() + channels;
        const std::uint8_t* previous = rows[i & 1].data() + channels;
        convertRow(image.constScanLine(strip.firstRow + i), row, width, channels, image.format());
        PngFilters::filterRow(row, previous, rowSize, channels,
                              filtered.data() + (rowSize + 1) * static_cast<std::size_t>(i));
    }
    strip.filteredSize = filteredSize;
    strip.adler = libdeflate_adler32(1, filtered.data(), filteredSize);

    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(compressionLevel));
    if (!compressor) {
        strip.encoded = Failure{EncodeError::error(EncodeError::Kind::outOfMemory)};
        return;
    }
    const std::size_t header = first ? 2 : 0;
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor.get(), filteredSize);
    // Room for the empty block that ends a joinable strip.
    strip.payload.resize(header + bound + 8);
    if (first) {
        // CMF: deflate with a 32 KiB window; FLG: no dictionary, check bits for CMF.
        strip.payload[0] = 0x78;
        strip.payload[1] = 0x9C;
    }
    const std::size_t produced = libdeflate_deflate_compress(compressor.get(), filtered.data(), filteredSize,
                                                             strip.payload.data() + header, bound);
    strip.payload.resize(header + produced);
    // Every strip but the last goes on into the next one.
    if (produced == 0 || (!last && !DeflateJoin::makeJoinable(strip.payload, header))) {
        strip.encoded = Failure{EncodeError::error(EncodeError::Kind::libraryFailed)};
        return;
    }
    strip.crc = chunkCrc("IDAT", strip.payload.data(), strip.payload.size());
}

bool isOpaque(const QImage& image) {
    if (image.format() == QImage::Format_RGBX8888) return true;
    const int stripRows =
        std::max(1, static_cast<int>(stripBytes / (static_cast<std::size_t>(image.width()) * 4)));
    const int strips = (image.height() + stripRows - 1) / stripRows;
    std::atomic<bool> translucent{false};
    parallelFor(strips, [&](int index) {
        const int end = std::min(image.height(), (index + 1) * stripRows);
        for (int y = index * stripRows; y < end && !translucent.load(std::memory_order_relaxed); ++y) {
            if (!PixelRows::isOpaque(image.constScanLine(y), image.width())) {
                translucent.store(true, std::memory_order_relaxed);
                return;
            }
        }
    });
    return !translucent.load();
}

// ---- Decoding -------------------------------------------------------------------------------

// Image data is read in pieces of this size (libpng's own is 8 KiB).
constexpr std::size_t readSize = 1024;

struct Input {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
    // The rows the decoder fills, once it has begun to; zero before.
    png_uint_32 rows = 0;
    // Whether reading stopped because every row was in.
    bool rowsComplete = false;
};

// Whether libpng has gone past the last row of the last pass: what it reads then is only
// compressed data after the picture, which it would inflate to its end, however long.
bool pastLastRow(png_structp png, const Input& input) {
    return input.rows != 0 &&
           (png_get_current_row_number(png) >= input.rows || png_get_current_pass_number(png) >= 7);
}

void readInput(png_structp png, png_bytep out, std::size_t length) {
    auto* input = static_cast<Input*>(png_get_io_ptr(png));
    if (pastLastRow(png, *input)) {
        input->rowsComplete = true;
        png_error(png, "rows complete");
    }
    if (length > input->size - input->offset) png_error(png, "truncated");
    std::memcpy(out, input->data + input->offset, length);
    input->offset += length;
}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

// What the header yields, gathered without any C++ object that a longjmp could skip.
struct Info {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool hasAlpha = false;
    png_bytep icc = nullptr;
    png_uint_32 iccSize = 0;
};

std::uint32_t bigEndian(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           bytes[3];
}

// The data of the first Exif chunk before the image data that libpng would take, read in place:
// libpng would copy a chunk of any length. Empty when there is none.
QByteArrayView firstExif(const std::uint8_t* data, std::size_t size) {
    for (std::uint64_t at = sizeof signature; at + 12 <= size;) {
        const std::uint64_t length = bigEndian(data + at);
        const std::uint64_t end = at + 12 + length;
        const QByteArrayView type(reinterpret_cast<const char*>(data + at + 4), 4);
        if (length > PNG_UINT_31_MAX || end > size || type == "IDAT") break;
        const QByteArrayView body(reinterpret_cast<const char*>(data + at + 8),
                                  static_cast<qsizetype>(length));
        if (type == "eXIf" && static_cast<std::int64_t>(length) <= maxExifLength && usableExif(body) &&
            crc(crc(0, type), body) == bigEndian(data + end - 4))
            return body;
        at = end;
    }
    return {};
}

class PngDecoder final : public ImageDecoder {
public:
    explicit PngDecoder(QByteArrayView bytes)
        : input_{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                 static_cast<std::size_t>(bytes.size())} {}
    ~PngDecoder() override {
        if (png_ != nullptr) png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
    }

    Status readHeader(ImageHeader& header) override {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (png_ == nullptr) return Status::unreadable;
        info_ = png_create_info_struct(png_);
        Info info;
        if (info_ == nullptr || !readInfo(info)) return Status::unreadable;
        header.width = info.width;
        header.height = info.height;
        header.hasAlpha = info.hasAlpha;
        if (const QByteArrayView exif = firstExif(input_.data, input_.size); !exif.isEmpty())
            header.orientation =
                ExifOrientation::read(reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size());
        if (info.icc != nullptr && info.iccSize <= maxIccProfileLength)
            header.iccProfile = QByteArray(reinterpret_cast<const char*>(info.icc), info.iccSize);
        hasAlpha_ = info.hasAlpha;
        return Status::image;
    }

    bool decode(QImage& target) override {
        if (png_ == nullptr || info_ == nullptr) return false;
        return readRows(target.bits(), target.bytesPerLine(), target.width(), target.height());
    }

private:
    bool readInfo(Info& info) {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_set_read_fn(png_, &input_, readInput);
        // Every size reaches the caller, which refuses large ones with their size.
        png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
        png_set_chunk_malloc_max(png_, 8 << 20);
        // Each chunk's CRC already guards the compressed data; zlib's second sum over the
        // inflated bytes costs a tenth of the decode and finds nothing the CRC misses.
        png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
        // Every ancillary chunk but the colour profile's is skipped unread, and unknown ones too:
        // libpng would keep suggested palettes, texts and Exif blocks of any number and length.
        // Transparency is always read.
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        static const png_byte colourChunks[] = {'i', 'C', 'C', 'P', 0, 's', 'R', 'G', 'B', 0};
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_AS_DEFAULT, colourChunks, 2);
        png_read_info(png_, info_);
        info.width = png_get_image_width(png_, info_);
        info.height = png_get_image_height(png_, info_);
        info.hasAlpha = (png_get_color_type(png_, info_) & PNG_COLOR_MASK_ALPHA) != 0 ||
                        png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
        if (png_get_valid(png_, info_, PNG_INFO_sRGB) == 0) {
            png_charp name = nullptr;
            int compression = 0;
            png_get_iCCP(png_, info_, &name, &compression, &info.icc, &info.iccSize);
        }
        return true;
    }

    bool readRows(std::uint8_t* bits, qsizetype stride, int width, int height) {
        if (setjmp(png_jmpbuf(png_))) {
            if (!input_.rowsComplete) return false;
            // Stopped inside the last row's read, after its pixels and before its premultiplication.
            if (hasAlpha_) PixelRows::premultiplyRow(bits + (height - 1) * stride, width);
            return lastChunkIntact();
        }
        png_set_expand(png_);
        png_set_scale_16(png_);
        png_set_gray_to_rgb(png_);
        if (!hasAlpha_) png_set_filler(png_, 0xff, PNG_FILLER_AFTER);
        const int passes = png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        if (png_get_rowbytes(png_, info_) != static_cast<std::size_t>(width) * 4 ||
            png_get_image_width(png_, info_) != static_cast<png_uint_32>(width) ||
            png_get_image_height(png_, info_) != static_cast<png_uint_32>(height))
            return false;
        input_.rows = static_cast<png_uint_32>(height);
        // What libpng holds of the data when the rows are in is inflated before it asks for more:
        // small reads keep that small.
        png_set_compression_buffer_size(png_, readSize);
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y) {
                png_read_row(png_, bits + y * stride, nullptr);
                if (hasAlpha_ && pass == passes - 1) PixelRows::premultiplyRow(bits + y * stride, width);
            }
        return true;
    }

    // libpng checks a chunk's CRC once it has read all of it; the chunk it stopped in is checked
    // here, so that every byte of image data the rows came from is still guarded by one.
    bool lastChunkIntact() const {
        const std::uint8_t* data = input_.data;
        std::uint64_t at = sizeof signature;
        while (at + 12 <= input_.size) {
            const std::uint64_t length = bigEndian(data + at);
            const std::uint64_t end = at + 12 + length;
            if (end > input_.size) return false;
            if (input_.offset <= end)
                return chunkCrc(reinterpret_cast<const char*>(data + at + 4), data + at + 8, length) ==
                       bigEndian(data + end - 4);
            at = end;
        }
        return false;
    }

    Input input_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    bool hasAlpha_ = false;
};

} // namespace

Result<QByteArray, Error> encode(const QImage& image) {
    const QImage::Format format = image.format();
    if (image.isNull() || (format != QImage::Format_RGBA8888_Premultiplied &&
                           format != QImage::Format_RGBA8888 && format != QImage::Format_RGBX8888))
        return Failure{EncodeError::error(EncodeError::Kind::unsupportedImage)};
    try {
        const int width = image.width();
        const int height = image.height();
        const int channels = isOpaque(image) ? 3 : 4;
        const std::size_t rowSize = static_cast<std::size_t>(width) * channels + 1;
        const int stripRows = std::max<int>(1, static_cast<int>(stripBytes / rowSize));
        std::vector<Strip> strips(static_cast<std::size_t>((height + stripRows - 1) / stripRows));
        for (std::size_t i = 0; i < strips.size(); ++i) {
            strips[i].firstRow = static_cast<int>(i) * stripRows;
            strips[i].rowCount = std::min(stripRows, height - strips[i].firstRow);
        }
        parallelFor(static_cast<int>(strips.size()), [&](int index) {
            encodeStrip(image, channels, strips[static_cast<std::size_t>(index)], index == 0,
                        index + 1 == static_cast<int>(strips.size()));
        });

        std::size_t total = sizeof signature + 25 + 13 + 16 + 12;
        uLong adler = 1;
        for (const Strip& strip : strips) {
            if (!strip.encoded) return Failure{strip.encoded.error()};
            total += strip.payload.size() + 12;
            adler = &strip == &strips.front()
                        ? strip.adler
                        : adler32_combine(adler, strip.adler, static_cast<z_off_t>(strip.filteredSize));
        }
        QByteArray out;
        out.reserve(static_cast<qsizetype>(total));
        out.append(reinterpret_cast<const char*>(signature), sizeof signature);
        std::uint8_t ihdr[13];
        putU32(ihdr, static_cast<std::uint32_t>(width));
        putU32(ihdr + 4, static_cast<std::uint32_t>(height));
        ihdr[8] = 8;                        // bits per sample
        ihdr[9] = channels == 3 ? 2 : 6;    // truecolour, with alpha
        ihdr[10] = ihdr[11] = ihdr[12] = 0; // deflate, adaptive filters, not interlaced
        appendChunk(out, "IHDR", ihdr, sizeof ihdr);
        const std::uint8_t perceptual = 0;
        appendChunk(out, "sRGB", &perceptual, 1);
        for (const Strip& strip : strips)
            appendChunk(out, "IDAT", strip.payload.data(), strip.payload.size(), strip.crc);
        std::uint8_t checksum[4];
        putU32(checksum, static_cast<std::uint32_t>(adler));
        appendChunk(out, "IDAT", checksum, sizeof checksum);
        appendChunk(out, "IEND", nullptr, 0);
        return out;
    } catch (const std::bad_alloc&) {
        return Failure{EncodeError::error(EncodeError::Kind::outOfMemory)};
    }
}

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<PngDecoder>(bytes);
}

std::uint32_t crc(std::uint32_t crc, QByteArrayView bytes) {
    return bytes.isEmpty() ? crc
                           : libdeflate_crc32(crc, bytes.data(), static_cast<std::size_t>(bytes.size()));
}

bool usableExif(QByteArrayView data) {
    return data.size() >= 2 && (data[0] == 'M' || data[0] == 'I') && data[1] == data[0];
}

} // namespace quorvane::PngCodec
