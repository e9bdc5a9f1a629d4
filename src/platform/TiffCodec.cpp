#include "platform/TiffCodec.h"

#include "platform/EncodeError.h"
#include "platform/PixelRows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <tiffio.h>
#include <vector>

namespace quorvane::TiffCodec {
namespace {

// No single allocation of a hostile file may exceed this; a 32-megapixel image in 16-bit RGBA
// needs 256 MiB.
constexpr tmsize_t maxSingleAllocation = tmsize_t{512} << 20;

int swallow(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Keeps the first of libtiff's complaints in the QString at `kept`. libtiff's format is a printf
// format for the arguments it gives with it.
[[gnu::format(printf, 4, 0)]] int keepFirst(TIFF*, void* kept, const char*, const char* format,
                                            va_list arguments) {
    auto* text = static_cast<QString*>(kept);
    if (text->isEmpty()) {
        char message[512];
        std::vsnprintf(message, sizeof message, format, arguments);
        *text = QString::fromLocal8Bit(message);
    }
    return 1;
}

struct Stream {
    std::vector<std::uint8_t> data;
    const std::uint8_t* readOnly = nullptr;
    toff_t size = 0;
    toff_t offset = 0;
};

tmsize_t readStream(thandle_t handle, void* out, tmsize_t length) {
    auto* stream = static_cast<Stream*>(handle);
    if (length < 0 || stream->offset >= stream->size) return 0;
    const toff_t count = std::min<toff_t>(static_cast<toff_t>(length), stream->size - stream->offset);
    const std::uint8_t* source = stream->readOnly != nullptr ? stream->readOnly : stream->data.data();
    std::memcpy(out, source + stream->offset, count);
    stream->offset += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeStream(thandle_t handle, void* in, tmsize_t length) {
    auto* stream = static_cast<Stream*>(handle);
    if (length < 0 || stream->readOnly != nullptr) return -1;
    const toff_t end = stream->offset + static_cast<toff_t>(length);
    try {
        if (end > stream->data.size()) stream->data.resize(end);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(stream->data.data() + stream->offset, in, static_cast<std::size_t>(length));
    stream->offset = end;
    stream->size = std::max(stream->size, end);
    return length;
}

toff_t seekStream(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<Stream*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = stream->offset;
    if (whence == SEEK_END) base = stream->size;
    if (offset > std::numeric_limits<toff_t>::max() - base) return static_cast<toff_t>(-1);
    stream->offset = base + offset;
    return stream->offset;
}

int closeStream(thandle_t) {
    return 0;
}

toff_t streamSize(thandle_t handle) {
    return static_cast<Stream*>(handle)->size;
}

int mapStream(thandle_t handle, void** base, toff_t* size) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream->readOnly == nullptr) return 0;
    // libtiff only reads through a mapping opened for reading.
    *base = const_cast<std::uint8_t*>(stream->readOnly);
    *size = stream->size;
    return 1;
}

void unmapStream(thandle_t, void*, toff_t) {}

// `complaint`, when given, receives libtiff's first error message.
TIFF* open(Stream& stream, const char* mode, QString* complaint = nullptr) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxSingleAllocation);
    if (complaint != nullptr)
        TIFFOpenOptionsSetErrorHandlerExtR(options, keepFirst, complaint);
    else
        TIFFOpenOptionsSetErrorHandlerExtR(options, swallow, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, swallow, nullptr);
    TIFF* tiff = TIFFClientOpenExt("memory", mode, &stream, readStream, writeStream, seekStream, closeStream,
                                   streamSize, mapStream, unmapStream, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

class TiffDecoder final : public ImageDecoder {
public:
    explicit TiffDecoder(QByteArrayView bytes) {
        stream_.readOnly = reinterpret_cast<const std::uint8_t*>(bytes.data());
        stream_.size = static_cast<toff_t>(bytes.size());
    }
    ~TiffDecoder() override {
        if (begun_) TIFFRGBAImageEnd(&image_);
        if (tiff_ != nullptr) TIFFClose(tiff_);
    }

    Status readHeader(ImageHeader& header) override {
        tiff_ = open(stream_, "r");
        if (tiff_ == nullptr) return Status::unreadable;
        std::uint32_t width = 0, height = 0;
        if (TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
            TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height) != 1)
            return Status::unreadable;
        std::uint16_t orientation = ORIENTATION_TOPLEFT;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_ORIENTATION, &orientation);
        std::uint32_t iccSize = 0;
        void* icc = nullptr;
        if (TIFFGetField(tiff_, TIFFTAG_ICCPROFILE, &iccSize, &icc) == 1 && icc != nullptr &&
            iccSize <= maxIccProfileLength)
            header.iccProfile = QByteArray(static_cast<const char*>(icc), static_cast<qsizetype>(iccSize));
        header.width = width;
        header.height = height;
        header.orientation = orientation;

        char message[1024];
        if (TIFFRGBAImageOK(tiff_, message) != 1 || TIFFRGBAImageBegin(&image_, tiff_, 1, message) != 1)
            return Status::unreadable;
        begun_ = true;
        // Rows as stored: the orientation is applied by the caller, the same way for every format.
        image_.req_orientation = image_.orientation;
        header.hasAlpha = image_.alpha != 0;
        return Status::image;
    }

    bool decode(QImage& target) override {
        if (!begun_) return false;
        const int width = target.width();
        const int height = target.height();
        if (image_.width != static_cast<std::uint32_t>(width) ||
            image_.height != static_cast<std::uint32_t>(height))
            return false;
        // Bands of whole strips or tiles, so that no strip is decoded twice.
        std::uint32_t unit = 0;
        if (TIFFIsTiled(tiff_) != 0)
            TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &unit);
        else
            TIFFGetFieldDefaulted(tiff_, TIFFTAG_ROWSPERSTRIP, &unit);
        unit = std::clamp<std::uint32_t>(unit, 1, static_cast<std::uint32_t>(height));
        const std::uint32_t wanted =
            std::max<std::uint32_t>(1, (1u << 20) / (static_cast<std::uint32_t>(width) * 4));
        const int band = static_cast<int>(
            std::min<std::uint64_t>(height, (static_cast<std::uint64_t>(wanted) + unit - 1) / unit * unit));
        std::vector<std::uint32_t> raster;
        try {
            raster.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(band));
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (int y = 0; y < height; y += band) {
            const int rows = std::min(band, height - y);
            image_.row_offset = y;
            image_.col_offset = 0;
            if (TIFFRGBAImageGet(&image_, raster.data(), static_cast<std::uint32_t>(width),
                                 static_cast<std::uint32_t>(rows)) != 1)
                return false;
            // Packed ABGR words are R, G, B, A bytes in memory on this little-endian machine.
            for (int row = 0; row < rows; ++row)
                std::memcpy(target.scanLine(y + row), raster.data() + static_cast<std::size_t>(row) * width,
                            static_cast<std::size_t>(width) * 4);
        }
        return true;
    }

private:
    Stream stream_;
    TIFF* tiff_ = nullptr;
    TIFFRGBAImage image_{};
    bool begun_ = false;
};

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "TIFF rasters are copied as RGBA bytes");

} // namespace

Result<QByteArray, Error> encode(const QImage& image) {
    const QImage::Format format = image.format();
    if (image.isNull() || (format != QImage::Format_RGBX8888 && format != QImage::Format_RGBA8888 &&
                           format != QImage::Format_RGBA8888_Premultiplied))
        return Failure{EncodeError::error(EncodeError::Kind::unsupportedImage)};
    Stream stream;
    QString complaint;
    TIFF* tiff = open(stream, "w", &complaint);
    if (tiff == nullptr) return Failure{EncodeError::error(EncodeError::Kind::libraryFailed, complaint)};
    const int width = image.width();
    bool opaque = true;
    for (int y = 0; opaque && format != QImage::Format_RGBX8888 && y < image.height(); ++y)
        opaque = PixelRows::isOpaque(image.constScanLine(y), width);
    const std::uint16_t channels = opaque ? 3 : 4;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) == 1 &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height())) == 1 &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) == 1 &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels) == 1 &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) == 1 &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1 &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) == 1;
    if (ok && channels == 4) {
        const std::uint16_t extra =
            format == QImage::Format_RGBA8888_Premultiplied ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra) == 1;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * channels);
    for (int y = 0; ok && y < image.height(); ++y) {
        const std::uint8_t* source = image.constScanLine(y);
        if (channels == 4) {
            std::memcpy(row.data(), source, row.size());
        } else {
            for (int x = 0; x < width; ++x)
                std::memcpy(row.data() + 3 * x, source + 4 * x, 3);
        }
        ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    ok = ok && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    if (!ok) return Failure{EncodeError::error(EncodeError::Kind::libraryFailed, complaint)};
    return QByteArray(reinterpret_cast<const char*>(stream.data.data()), static_cast<qsizetype>(stream.size));
}

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<TiffDecoder>(bytes);
}

} // namespace quorvane::TiffCodec
