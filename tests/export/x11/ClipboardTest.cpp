#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "support/ImageCompare.h"

#include <QClipboard>
#include <QColorSpace>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Reads the clipboard as `target` with xclip, the way another program pastes, while this process
// keeps answering the X server.
QByteArray pasteElsewhere(const QString& target) {
    QProcess xclip; // on this process's display
    xclip.start("xclip", {"-selection", "clipboard", "-t", target, "-o"});
    const QDeadlineTimer deadline(20'000);
    while (!xclip.waitForFinished(5) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    EXPECT_EQ(xclip.state(), QProcess::NotRunning) << "xclip did not finish";
    return xclip.readAllStandardOutput();
}

TEST(Clipboard, OtherProgramsGetTheExactPngAndATiffOfTheSamePixels) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("older contents");
    // Large enough that the X server hands the TIFF over in pieces.
    QImage image(900, 700, QImage::Format_RGBA8888);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256, y < 100 ? 255 : (x * 7) % 256));
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    const QByteArray png = *ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
    ASSERT_FALSE(ImageExporter::write(png, clipboard));

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
    ASSERT_FALSE(ImageExporter::write(corrupt, QGuiApplication::clipboard()));
    EXPECT_EQ(pasteElsewhere("image/png"), corrupt);
    EXPECT_TRUE(pasteElsewhere("image/tiff").isEmpty());
    EXPECT_EQ(ImageExporter::write(corrupt, nullptr), ImageExporter::ExportError::clipboardFailed);
}

} // namespace
} // namespace quorvane
