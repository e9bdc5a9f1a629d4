#include "export/GIFExporter.h"

#include "ExportTesting.h"
#include "export/GifQuantizer.h"
#include "support/ImageCompare.h"

#include <QFile>
#include <gif_lib.h>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::annotation;
using test::ExportFixture;

// The file as giflib's own reader sees it: each frame composed onto its own RGBA image.
struct DecodedGif {
    std::vector<QImage> frames;
    std::vector<int> delays;
    std::vector<int> disposals;
    std::optional<int> loopCount;
};

std::optional<DecodedGif> decode(QByteArray bytes) {
    int error = 0;
    GifFileType* gif = DGifOpen(
        &bytes,
        [](GifFileType* g, GifByteType* out, int length) {
            auto* source = static_cast<QByteArray*>(g->UserData);
            const int n = std::min<int>(length, int(source->size()));
            std::memcpy(out, source->constData(), std::size_t(n));
            source->remove(0, n);
            return n;
        },
        &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        if (gif != nullptr) DGifCloseFile(gif, &error);
        return std::nullopt;
    }
    DecodedGif decoded;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& frame = gif->SavedImages[i];
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        decoded.delays.push_back(control.DelayTime);
        decoded.disposals.push_back(control.DisposalMode);
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        QImage image(gif->SWidth, gif->SHeight, QImage::Format_RGBA8888);
        for (int y = 0; y < gif->SHeight; ++y)
            for (int x = 0; x < gif->SWidth; ++x) {
                const int index = frame.RasterBits[y * gif->SWidth + x];
                const GifColorType c = map->Colors[index];
                image.setPixelColor(
                    x, y, QColor(c.Red, c.Green, c.Blue, index == control.TransparentColor ? 0 : 255));
            }
        decoded.frames.push_back(image);
        // The NETSCAPE2.0 block, then its data block.
        for (int e = 0; e + 1 < frame.ExtensionBlockCount; ++e)
            if (frame.ExtensionBlocks[e].ByteCount == 11 &&
                std::memcmp(frame.ExtensionBlocks[e].Bytes, "NETSCAPE2.0", 11) == 0) {
                const ExtensionBlock& data = frame.ExtensionBlocks[e + 1];
                decoded.loopCount = data.Bytes[1] | data.Bytes[2] << 8;
            }
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Annotation filled(AnnotationKind kind, const QRectF& rect, bool fill, const QColor& color) {
    Annotation a = annotation(kind, rect, color);
    a.fill = fill;
    a.strokeWidth = 4;
    return a;
}

TEST(GIFExporter, TheFirstFrameHasOnlyWhatCoversTheSecondHasEverything) {
    ExportFixture f;
    Annotation text = annotation(AnnotationKind::text, QRectF(10, 60, 80, 24), Qt::black);
    text.text = "Hi";
    text.fontSize = 18;
    const Annotation blur = annotation(AnnotationKind::blur, QRectF(0, 30, 60, 30));
    const Annotation arrow = filled(AnnotationKind::arrow, QRectF(70, 10, 40, 40), false, Qt::green);
    const Annotation solid = filled(AnnotationKind::rectangle, QRectF(80, 60, 30, 20), true, Qt::yellow);
    const Annotation outline = filled(AnnotationKind::oval, QRectF(5, 5, 30, 20), false, Qt::magenta);

    f.holdDialog();
    f.document = ExportFixture::makeDocument(120, 90, "Shot.png");
    for (const Annotation& a : {blur, arrow, text, solid, outline})
        f.document->addAnnotation(a);
    f.controller->exportBeforeAfterGIF(nullptr);
    EXPECT_EQ(f.asked.proposedName, "Shot before-after.gif");
    const QString destination = QString::fromStdString((f.folder / "Shot before-after.gif").string());
    f.answer(destination);
    EXPECT_EQ(f.controller->message(), "Saved before/after GIF to " +
                                           QString::fromStdString(f.folder.path().filename().string()) + ".");

    const auto gif = decode(readFile(destination));
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->frames.size(), 2u);
    EXPECT_EQ(gif->delays, (std::vector<int>{100, 100}));
    EXPECT_EQ(gif->disposals, (std::vector<int>{DISPOSE_BACKGROUND, DISPOSE_BACKGROUND}));
    EXPECT_EQ(gif->loopCount, 0);

    const auto render = [&](EditorDocument::Annotations list) {
        return EditorDocument::renderOutput(f.document->output(list))
            .value()
            .convertToFormat(QImage::Format_RGBA8888);
    };
    const QImage before = render({blur, solid});
    const QImage after = render({blur, arrow, text, solid, outline});
    // Smooth blur edges cost a few levels in the palette; shapes must not appear or vanish.
    EXPECT_TRUE(test::imagesNear(gif->frames[0], before, 24, 0.01));
    EXPECT_TRUE(test::imagesNear(gif->frames[1], after, 24, 0.01));
    EXPECT_FALSE(test::imagesNear(gif->frames[0], after, 24, 0.01));
    EXPECT_EQ(gif->frames[0].pixelColor(95, 70), QColor(Qt::yellow));
    EXPECT_EQ(gif->frames[1].pixelColor(95, 70), QColor(Qt::yellow));

    // The name is taken now: never replaced.
    const QByteArray written = readFile(destination);
    f.controller->exportBeforeAfterGIF(nullptr);
    f.answer(destination);
    EXPECT_TRUE(f.controller->message().startsWith("Export failed: "));
    EXPECT_EQ(readFile(destination), written);
}

TEST(GIFExporter, FewColoursStayExactAndUnchangedPixelsKeepTheirColour) {
    // 200 colours, one clear pixel, and a second frame that changes one corner.
    QImage first(40, 20, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            first.setPixelColor(x, y, QColor::fromHsv((y * 40 + x) % 200 * 359 / 199, 200, 200));
    first.setPixelColor(0, 0, Qt::transparent);
    QImage second = first.copy();
    second.setPixelColor(39, 19, Qt::black);

    const auto indexed = GifQuantizer::quantize({first, second});
    ASSERT_TRUE(indexed);
    EXPECT_LE(indexed->palette.size(), 256u);
    EXPECT_EQ(indexed->transparentIndex, 0);
    const auto bytes = GIFExporter::encode({first, second}, 1.0);
    ASSERT_TRUE(bytes);
    const auto gif = decode(*bytes);
    ASSERT_TRUE(gif);
    EXPECT_TRUE(test::imagesNear(gif->frames[0], first.convertToFormat(QImage::Format_RGBA8888), 0));
    EXPECT_TRUE(test::imagesNear(gif->frames[1], second.convertToFormat(QImage::Format_RGBA8888), 0));
}

TEST(GIFExporter, ManyColoursShareOnePaletteWithoutShimmer) {
    QImage first(256, 128, QImage::Format_RGBX8888);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
            first.setPixelColor(x, y, QColor(x, y * 2, (x * 3 + y) % 256));
    QImage second = first.copy();
    QPainter(&second).fillRect(QRect(0, 0, 40, 40), Qt::red);
    const auto indexed = GifQuantizer::quantize({first, second});
    ASSERT_TRUE(indexed);
    EXPECT_EQ(indexed->palette.size(), 256u);
    EXPECT_FALSE(indexed->transparentIndex);
    const auto& a = indexed->frames[0];
    double error = 0; // a smooth ramp of 32,768 colours stays close
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            const auto at = std::size_t(y * 256 + x);
            if (x >= 40 && y >= 40) {
                ASSERT_EQ(a[at], indexed->frames[1][at]) << x << "," << y;
            }
            const std::uint32_t rgb = indexed->palette[a[at]];
            const QColor original = first.pixelColor(x, y);
            error += std::abs(int(rgb >> 16) - original.red()) +
                     std::abs(int(rgb >> 8 & 0xFF) - original.green()) +
                     std::abs(int(rgb & 0xFF) - original.blue());
        }
    EXPECT_LT(error / (256 * 128 * 3), 6.0);
}

TEST(GIFExporter, DatedNamesHaveNoColonsAndUnequalFramesAreRefused) {
    const auto date = QDateTime(QDate(2026, 12, 5), QTime(19, 43, 39), Qt::UTC);
    EXPECT_EQ(GIFExporter::suggestedName(*ExportFixture::makeDocument(4, 4), date),
              "Quorvane before-after 2026-12-05T19-43-39Z.gif");
    EXPECT_FALSE(GIFExporter::encode({}, 1.0));
    EXPECT_FALSE(GIFExporter::encode(
        {QImage(4, 4, QImage::Format_RGBX8888), QImage(5, 4, QImage::Format_RGBX8888)}, 1.0));
}

} // namespace
} // namespace quorvane
