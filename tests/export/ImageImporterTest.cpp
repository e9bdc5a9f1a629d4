#include "export/ImageImporter.h"

#include "export/ImageExporter.h"
#include "platform/AnonymousMemory.h"
#include "platform/TiffCodec.h"
#include "support/ImageCompare.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QMimeDatabase>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <sys/stat.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;
namespace fs = std::filesystem;

// Red, green / blue, white quadrants: any flip or turn shows.
QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                y < height / 2 ? (x < width / 2 ? Qt::red : Qt::green)
                                               : (x < width / 2 ? Qt::blue : Qt::white));
    return image;
}

// The colours at the centres of the four quadrants, row by row.
std::vector<QColor> quadrantColors(const QImage& image) {
    std::vector<QColor> colors;
    for (int y : {image.height() / 4, image.height() * 3 / 4})
        for (int x : {image.width() / 4, image.width() * 3 / 4}) {
            const QColor c = image.pixelColor(x, y);
            // Lossy formats stay within a few steps of the pure colours.
            colors.push_back(
                QColor(c.red() > 128 ? 255 : 0, c.green() > 128 ? 255 : 0, c.blue() > 128 ? 255 : 0));
        }
    return colors;
}

QByteArray encoded(const QImage& image, ImageExporter::Format format) {
    return *ImageExporter::encode(image, format, 0.95);
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int value : values)
        out += static_cast<char>(value & 0xFF);
    return out;
}

QByteArray littleEndian16(int value) {
    return bytes({value, value >> 8});
}

QByteArray bigEndian16(int value) {
    return bytes({value >> 8, value});
}

// An Exif segment holding only the orientation, right after the start-of-image marker.
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    const QByteArray tiff = QByteArray("II*\0\x08\0\0\0", 8) + littleEndian16(1) + littleEndian16(0x0112) +
                            littleEndian16(3) + QByteArray("\x01\0\0\0", 4) + littleEndian16(orientation) +
                            QByteArray(6, '\0');
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + "\xFF\xE1" + bigEndian16(static_cast<int>(exif.size()) + 2) + exif + jpeg.mid(2);
}

// The same JPEG with a frame header that claims another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height) {
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg.replace(frame + 5, 2, bigEndian16(height));
    jpeg.replace(frame + 7, 2, bigEndian16(width));
    return jpeg;
}

// A GIF with a 256-colour table whose LZW codes stay at 9 bits: a clear code every 250 pixels.
QByteArray gif(int width, int height, const std::vector<QColor>& palette, const std::vector<uchar>& pixels,
               int transparent = -1, bool withFrame = true, bool withTrailer = true) {
    QByteArray out =
        QByteArray("GIF89a") + littleEndian16(width) + littleEndian16(height) + QByteArray("\xF7\0\0", 3);
    for (int i = 0; i < 256; ++i) {
        const QColor c =
            i < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(i)] : Qt::black;
        out += bytes({c.red(), c.green(), c.blue()});
    }
    if (transparent >= 0)
        out += QByteArray("\x21\xF9\x04\x01\0\0", 6) + static_cast<char>(transparent) + QByteArray(1, '\0');
    if (withFrame) {
        out += QByteArray(",\0\0\0\0", 5) + littleEndian16(width) + littleEndian16(height) +
               QByteArray("\0\x08", 2);
        QByteArray codes;
        quint32 bits = 0;
        int count = 0;
        const auto emit = [&](int code) {
            bits |= static_cast<quint32>(code) << count;
            for (count += 9; count >= 8; count -= 8, bits >>= 8)
                codes += static_cast<char>(bits & 0xFF);
        };
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (i % 250 == 0) emit(256);
            emit(pixels[i]);
        }
        emit(257);
        if (count > 0) codes += static_cast<char>(bits & 0xFF);
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out += static_cast<char>(block.size()) + block;
        }
        out += '\0';
    }
    return withTrailer ? out + ";" : out;
}

QByteArray heic(const QImage& image) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            std::memcpy(plane + y * stride + 3 * x, image.constScanLine(y) + 4 * x, 3);
    heif_context_encode_image(context, picture, encoder, nullptr, nullptr);
    QByteArray out;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* target) {
                           static_cast<QByteArray*>(target)->append(static_cast<const char*>(data),
                                                                    static_cast<qsizetype>(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &out);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

QByteArray qtEncoded(const QImage& image, const char* format) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

// Small samples also start the importer's fuzzing.
void seed(const char* name, const QByteArray& bytes) {
    const QString folder = QStringLiteral(QUORVANE_TEST_DATA_DIR "/../../build/fuzz-seeds/importer");
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

QUrl fileWith(const test::TempDir& folder, const char* name, const QByteArray& bytes) {
    const QString path = QString::fromStdString((folder / name).string());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return QUrl::fromLocalFile(path);
}

TEST(ImageImporter, OpensAllSixFormatsFromFilesAndData) {
    const QImage picture = quadrants(64, 48);
    QImage translucent = QImage(picture).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    translucent.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    translucent.setPixelColor(63, 47, QColor(40, 80, 120, 128));
    // The GIF: one palette entry per quadrant, and a transparent corner.
    std::vector<uchar> indices(64 * 48);
    for (int i = 0; i < 64 * 48; ++i)
        indices[static_cast<std::size_t>(i)] = static_cast<uchar>((i / 64 >= 24) * 2 + (i % 64 >= 32));
    indices[0] = 9;
    const struct {
        const char* name;
        QByteArray bytes;
        QImage exactly; // null for lossy formats
    } samples[] = {
        {"opaque.png", encoded(picture, ImageExporter::Format::png), picture},
        {"translucent.png", encoded(translucent, ImageExporter::Format::png), translucent},
        {"indexed.png", qtEncoded(picture.convertToFormat(QImage::Format_Indexed8), "PNG"), picture},
        {"sixteen-bit.png", qtEncoded(picture.convertToFormat(QImage::Format_RGBA64), "PNG"), picture},
        {"picture.jpg", encoded(picture, ImageExporter::Format::jpeg), {}},
        {"picture.heic", heic(picture), {}},
        {"picture.tiff", *TiffCodec::encode(picture), picture},
        {"translucent.tiff", *TiffCodec::encode(translucent), translucent},
        {"picture.gif", gif(64, 48, {Qt::red, Qt::green, Qt::blue, Qt::white}, indices, 9), {}},
        {"picture.bmp", qtEncoded(picture, "BMP"), picture},
    };
    test::TempDir folder;
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.name);
        seed(sample.name, sample.bytes);
        for (const auto& result : {ImageImporter::image(sample.bytes),
                                   ImageImporter::image(fileWith(folder, sample.name, sample.bytes))}) {
            ASSERT_TRUE(result) << result.error().message().toStdString();
            EXPECT_EQ(result->format(), QImage::Format_RGBA8888_Premultiplied);
            EXPECT_EQ(quadrantColors(*result), quadrantColors(picture));
            if (!sample.exactly.isNull()) {
                EXPECT_TRUE(test::imagesNear(*result, sample.exactly, 0));
            }
        }
    }
    const auto fromGif = ImageImporter::image(samples[8].bytes);
    EXPECT_EQ(fromGif->pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(fromGif->pixelColor(1, 0), QColor(Qt::red));
}

TEST(ImageImporter, RefusesDataThatEndsEarly) {
    const QByteArray png = encoded(quadrants(32, 32), ImageExporter::Format::png);
    EXPECT_TRUE(ImageImporter::image(png));
    EXPECT_EQ(ImageImporter::image(png.chopped(12)).error(), ImportError::unreadable());
    // A trailer pasted after half of the data still does not make a whole image.
    EXPECT_EQ(ImageImporter::image(png.left(png.size() / 2) + png.right(12)).error(),
              ImportError::unreadable());

    const QByteArray jpeg = encoded(quadrants(32, 32), ImageExporter::Format::jpeg);
    EXPECT_TRUE(ImageImporter::image(jpeg + QByteArray(100, '\0')));
    EXPECT_EQ(ImageImporter::image(jpeg.chopped(2)).error(), ImportError::unreadable());
    EXPECT_EQ(ImageImporter::image(jpeg.left(jpeg.size() / 2) + "\xFF\xD9").error(),
              ImportError::unreadable());
    seed("truncated.jpg", jpeg.left(jpeg.size() / 2) + "\xFF\xD9");

    const std::vector<uchar> pixels(32 * 32, 1);
    const QByteArray whole = gif(32, 32, {Qt::red, Qt::blue}, pixels);
    EXPECT_EQ(ImageImporter::image(whole.chopped(3)).error(), ImportError::unreadable());
    // A complete GIF without frames holds no image; one that ends early is unreadable.
    const QByteArray empty = gif(32, 32, {Qt::red}, {}, -1, false);
    seed("no-frames.gif", empty);
    EXPECT_EQ(ImageImporter::image(empty).error(), ImportError::noImage());
    EXPECT_EQ(ImageImporter::image(empty.chopped(1)).error(), ImportError::unreadable());

    // Formats without a trailer are not checked for one.
    EXPECT_TRUE(ImageImporter::image(qtEncoded(quadrants(8, 8), "BMP") + "garbage"));
    EXPECT_TRUE(ImageImporter::image(*TiffCodec::encode(quadrants(8, 8)) + "garbage"));
}

TEST(ImageImporter, TurnsImagesUpright) {
    const QImage stored = quadrants(4000, 3000);
    const QByteArray jpeg = encoded(stored, ImageExporter::Format::jpeg);
    const auto upright = ImageImporter::image(withOrientation(jpeg, 6));
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->size(), QSize(3000, 4000));
    const QColor r = Qt::red, g = Qt::green, b = Qt::blue, w = Qt::white;
    EXPECT_EQ(quadrantColors(*upright), (std::vector<QColor>{b, r, w, g}));
    EXPECT_EQ(ImageImporter::image(withOrientation(jpeg, 1))->size(), QSize(4000, 3000));

    const QByteArray small = encoded(quadrants(64, 32), ImageExporter::Format::jpeg);
    seed("orientation-6.jpg", withOrientation(small, 6));
    const std::vector<QColor> expected[] = {{r, g, b, w}, {g, r, w, b}, {w, b, g, r}, {b, w, r, g},
                                            {r, b, g, w}, {b, r, w, g}, {w, g, b, r}, {g, w, r, b}};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const auto image = ImageImporter::image(withOrientation(small, orientation));
        ASSERT_TRUE(image) << orientation;
        EXPECT_EQ(image->size(), orientation >= 5 ? QSize(32, 64) : QSize(64, 32)) << orientation;
        EXPECT_EQ(quadrantColors(*image), expected[orientation - 1]) << orientation;
    }
    // Values outside 1…8 leave the image as stored.
    EXPECT_EQ(ImageImporter::image(withOrientation(small, 9))->size(), QSize(64, 32));
}

TEST(ImageImporter, ChecksTheCapsOnTheHeaderBeforeDecoding) {
    const QByteArray jpeg = encoded(quadrants(16, 16), ImageExporter::Format::jpeg);
    const auto mapsBefore = AnonymousMemory::counters().maps;
    const auto square = ImageImporter::image(withClaimedSize(jpeg, 6000, 6000));
    EXPECT_EQ(square.error(), ImportError::tooLarge(6000, 6000));
    EXPECT_EQ(square.error().message(),
              QStringLiteral("This image is 6000 × 6000 pixels; Quorvane opens images up to 32 megapixels."));
    // Refused with the upright size.
    const auto turned = ImageImporter::image(withOrientation(withClaimedSize(jpeg, 5000, 8000), 8));
    EXPECT_EQ(turned.error(), ImportError::tooLarge(8000, 5000));
    EXPECT_TRUE(turned.error().message().startsWith(QStringLiteral("This image is 8000 × 5000 pixels; ")));
    EXPECT_EQ(AnonymousMemory::counters().maps, mapsBefore);
    seed("claims-6000x6000.jpg", withClaimedSize(jpeg, 6000, 6000));

    QImage wide(32'001, 10, QImage::Format_RGBX8888);
    wide.fill(Qt::gray);
    wide.setColorSpace(QColorSpace::SRgb);
    const auto tooWide = ImageImporter::image(encoded(wide, ImageExporter::Format::png));
    EXPECT_EQ(tooWide.error(), ImportError::tooLarge(32'001, 10));
    EXPECT_EQ(tooWide.error().message(),
              QStringLiteral("This image is 32001 × 10 pixels; Quorvane opens images up "
                             "to 32 megapixels and 32,000 pixels per side."));
    QImage widest(32'000, 1'000, QImage::Format_RGBX8888);
    widest.fill(Qt::gray);
    widest.setColorSpace(QColorSpace::SRgb);
    EXPECT_EQ(ImageImporter::image(encoded(widest, ImageExporter::Format::png))->size(),
              QSize(32'000, 1'000));
}

TEST(ImageImporter, RefusesWhatItCannotOpenWithTheReason) {
    test::TempDir folder;
    const QString pdfType = QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).comment();
    const QByteArray pdf(
        "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
    const QUrl pdfFile = fileWith(folder, "doc.pdf", pdf);
    const auto refused = ImageImporter::image(pdfFile);
    EXPECT_EQ(refused.error(), ImportError::unsupportedType(pdfType));
    EXPECT_EQ(refused.error().message(pdfFile),
              QStringLiteral("Quorvane can't open “doc.pdf”: ") + pdfType +
                  QStringLiteral(" isn't a supported format. Open a PNG, JPEG, "
                                 "HEIC, TIFF, GIF, or BMP image."));
    EXPECT_EQ(ImageImporter::image(pdf).error(), ImportError::unsupportedType(pdfType));
    EXPECT_EQ(ImageImporter::image(QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)).error().kind,
              ImportError::Kind::unsupportedType);

    const QString textType = QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment();
    EXPECT_EQ(ImageImporter::image(fileWith(folder, "notes.txt", "hello")).error(),
              ImportError::unsupportedType(textType));
    EXPECT_EQ(ImageImporter::image(fileWith(folder, "notes.qvx", "hello")).error(),
              ImportError::unsupportedType(QStringLiteral("QVX")));
    EXPECT_EQ(ImageImporter::image(fileWith(folder, "notes.png", "hello")).error(),
              ImportError::unreadable());
    EXPECT_EQ(ImageImporter::image(QByteArray("\x01\x02\x03 not an image")).error(),
              ImportError::unreadable());
    EXPECT_EQ(ImageImporter::image(QByteArray()).error(), ImportError::noImage());
    EXPECT_EQ(ImportError::noImage().message(), QStringLiteral("There's no image to open."));

    // Missing files, folders and pipes are unreadable, and nothing waits on the pipe.
    const QUrl missing = QUrl::fromLocalFile(QString::fromStdString((folder / "missing.png").string()));
    EXPECT_EQ(ImageImporter::image(missing).error(), ImportError::unreadable());
    EXPECT_EQ(ImportError::unreadable().message(missing),
              QStringLiteral(
                  "Quorvane can't read “missing.png”. The file may be missing, damaged, or not accessible."));
    ASSERT_EQ(::mkfifo((folder / "pipe.png").c_str(), 0600), 0);
    EXPECT_EQ(
        ImageImporter::image(QUrl::fromLocalFile(QString::fromStdString((folder / "pipe.png").string())))
            .error(),
        ImportError::unreadable());
    EXPECT_EQ(
        ImageImporter::image(QUrl::fromLocalFile(QString::fromStdString(folder.path().string()))).error(),
        ImportError::unreadable());
    EXPECT_EQ(ImageImporter::image(QUrl(QStringLiteral("https://example.com/a.png"))).error(),
              ImportError::unreadable());

    EXPECT_EQ(ImportError::unreadable().message(),
              QStringLiteral("Quorvane can't read this image. The data may be damaged or incomplete."));
    EXPECT_EQ(ImportError::noImage().message(missing),
              QStringLiteral("“missing.png” doesn't contain an image."));
    EXPECT_EQ(
        ImportError::unsupportedType(QStringLiteral("X")).message(),
        QStringLiteral("Quorvane can't open this item: X isn't a supported format. Open a PNG, JPEG, HEIC, "
                       "TIFF, GIF, or BMP image."));
}

TEST(ImageImporter, ReadsClipboardFilesBeforeImageData) {
    test::TempDir folder;
    const QByteArray redPng =
        encoded(quadrants(8, 8).transformed(QTransform().rotate(180)), ImageExporter::Format::png);
    const QUrl pngFile = fileWith(folder, "a.png", redPng);
    const QUrl textFile = fileWith(folder, "a.txt", "text");
    const QUrl webpFile = fileWith(folder, "a.webp", "RIFF");

    QMimeData both;
    both.setUrls({pngFile});
    both.setData(QStringLiteral("image/tiff"), *TiffCodec::encode(quadrants(8, 8)));
    const auto fromFile = ImageImporter::image(both);
    ASSERT_TRUE(fromFile && *fromFile);
    EXPECT_EQ((*fromFile)->pixelColor(0, 0), QColor(Qt::white));
    EXPECT_TRUE(ImageImporter::canRead(both));

    QMimeData text;
    text.setUrls({textFile});
    EXPECT_FALSE(ImageImporter::canRead(text));
    EXPECT_EQ(ImageImporter::image(text), std::optional<QImage>());

    QMimeData unsupported;
    unsupported.setUrls({webpFile});
    EXPECT_TRUE(ImageImporter::canRead(unsupported));
    EXPECT_EQ(ImageImporter::image(unsupported).error().kind, ImportError::Kind::unsupportedType);

    QMimeData data;
    data.setData(QStringLiteral("image/png"), redPng);
    EXPECT_TRUE(ImageImporter::canRead(data));
    EXPECT_EQ((*ImageImporter::image(data))->size(), QSize(8, 8));

    QMimeData qtImage;
    qtImage.setImageData(quadrants(6, 4));
    EXPECT_TRUE(ImageImporter::canRead(qtImage));
    EXPECT_EQ((*ImageImporter::image(qtImage))->pixelColor(0, 0), QColor(Qt::red));

    QMimeData nothing;
    nothing.setText(QStringLiteral("words"));
    EXPECT_FALSE(ImageImporter::canRead(nothing));
    EXPECT_EQ(ImageImporter::image(nothing), std::optional<QImage>());
}

} // namespace
} // namespace quorvane
