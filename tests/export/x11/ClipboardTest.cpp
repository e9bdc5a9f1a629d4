#include "../ExportTesting.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/SystemClipboard.h"
#include "support/ImageCompare.h"
#include "support/PasteElsewhere.h"
#include "support/RefusingClipboard.h"

#include <QColorSpace>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::pasteElsewhere;

using test::RefusingClipboard;

TEST(Clipboard, OtherProgramsGetTheExactPngAndATiffOfTheSamePixels) {
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    ASSERT_TRUE(clipboard.writeText("older contents"));
    // Large enough that the X server hands the TIFF over in pieces.
    QImage image(900, 700, QImage::Format_RGBA8888);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256, y < 100 ? 255 : (x * 7) % 256));
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    const QByteArray png = *ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
    ASSERT_TRUE(ImageExporter::write(png, clipboard).ok());

    // One item, offering TIFF from the start, replaced everything that was there.
    const QByteArray targets = pasteElsewhere("TARGETS");
    EXPECT_TRUE(targets.contains("image/png") && targets.contains("image/tiff")) << targets.toStdString();
    EXPECT_FALSE(targets.contains("UTF8_STRING") || targets.contains("text/plain")) << targets.toStdString();

    EXPECT_EQ(pasteElsewhere("image/png"), png);
    const QByteArray tiff = pasteElsewhere("image/tiff");
    ASSERT_TRUE(tiff.startsWith(QByteArray("II*\0", 4)));
    EXPECT_TRUE(test::imagesNear(ImageImporter::image(tiff).value(), image, 0));
}

TEST(Clipboard, CorruptPngStillCopiesAndTheTiffRequestGetsNothing) {
    const QByteArray corrupt = QByteArray("\x89PNG\r\n\x1a\n", 8) + "no chunks at all";
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    ASSERT_TRUE(ImageExporter::write(corrupt, clipboard).ok());
    EXPECT_EQ(pasteElsewhere("image/png"), corrupt);
    EXPECT_TRUE(pasteElsewhere("image/tiff").isEmpty());
    RefusingClipboard refusing;
    EXPECT_EQ(ImageExporter::write(corrupt, refusing), Failure{ImageExporter::ExportError::clipboardFailed});
}

using test::ExportFixture;

TEST(ExportControllerClipboard, OtherProgramsPasteTheFinalImage) {
    ExportFixture f;
    f.edit();
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    const QImage expected = *EditorDocument::renderOutput(f.document->output(f.document->annotations()));
    const auto pasted = ImageImporter::image(pasteElsewhere("image/png"));
    ASSERT_TRUE(pasted);
    EXPECT_TRUE(test::imagesNear(*pasted, expected, 0));
}

TEST(ExportControllerClipboard, AnotherProgramWritingDuringABackgroundCopyKeepsItsData) {
    test::RenderLatch latch;
    ExportFixture f;
    f.holdOn(latch);
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    ASSERT_TRUE(latch.waitForArrivals(1));
    // xclip takes the clipboard and stays to serve it; its exit is not waited for.
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i", "-quiet"});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write("their text");
    xclip.closeWriteChannel();
    // Until the server knows the new owner. The worker is held, so no finish runs meanwhile.
    ASSERT_TRUE(test::waitUntil([] { return pasteElsewhere("UTF8_STRING") == "their text"; }, 20000));
    latch.open();
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.controller->message(),
              "Export failed: The clipboard changed while the image was being prepared. Copy again.");
    EXPECT_EQ(pasteElsewhere("UTF8_STRING"), "their text");
    xclip.kill();
    xclip.waitForFinished();
}

} // namespace
} // namespace quorvane
