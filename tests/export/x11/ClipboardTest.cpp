#include "export/ClipboardItem.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "support/ImageCompare.h"
#include "support/XvfbServer.h"

#include <QClipboard>
#include <QColorSpace>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Reads the clipboard as `target` with xclip, the way another program pastes, while this process
// keeps answering the X server. xclip's output is binary, hence no QString on the way.
QByteArray pasteElsewhere(const QString& target) {
    QProcess xclip;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
    xclip.setProcessEnvironment(environment);
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), target, QStringLiteral("-o")});
    const QDeadlineTimer deadline(20'000);
    while (!xclip.waitForFinished(5)) {
        QCoreApplication::processEvents();
        if (deadline.hasExpired()) {
            xclip.kill();
            xclip.waitForFinished();
            ADD_FAILURE() << "xclip did not finish";
            return {};
        }
    }
    return xclip.readAllStandardOutput();
}

// Large enough that the X server hands the TIFF over in pieces.
QImage picture() {
    QImage image(900, 700, QImage::Format_RGBA8888);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256, y < 100 ? 255 : (x * 7) % 256));
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

TEST(Clipboard, OtherProgramsGetTheExactPngAndATiffOfTheSamePixels) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("older contents"));
    const QImage image = picture();
    const QByteArray png = *ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
    ASSERT_FALSE(ImageExporter::write(png, clipboard));
    ASSERT_NE(qobject_cast<const ClipboardItem*>(clipboard->mimeData()), nullptr);
    EXPECT_TRUE(clipboard->mimeData()->formats().contains(QStringLiteral("image/tiff")));

    // One item replaced everything that was there.
    const QByteArray targets = pasteElsewhere(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("image/png"));
    EXPECT_TRUE(targets.contains("image/tiff"));
    EXPECT_FALSE(targets.contains("UTF8_STRING"));
    EXPECT_FALSE(targets.contains("text/plain"));

    EXPECT_EQ(pasteElsewhere(QStringLiteral("image/png")), png);
    const QByteArray tiff = pasteElsewhere(QStringLiteral("image/tiff"));
    ASSERT_TRUE(tiff.startsWith(QByteArray("II*\0", 4)));
    const auto fromTiff = ImageImporter::image(tiff);
    ASSERT_TRUE(fromTiff);
    EXPECT_TRUE(test::imagesNear(*fromTiff, image, 0));
}

TEST(Clipboard, CorruptPngStillCopiesAndTheTiffRequestGetsNothing) {
    const QByteArray corrupt = QByteArray("\x89PNG\r\n\x1a\n", 8) + "no chunks at all";
    ASSERT_FALSE(ImageExporter::write(corrupt, QGuiApplication::clipboard()));
    EXPECT_EQ(pasteElsewhere(QStringLiteral("image/png")), corrupt);
    EXPECT_TRUE(pasteElsewhere(QStringLiteral("image/tiff")).isEmpty());
    EXPECT_EQ(ImageExporter::write(corrupt, nullptr), ImageExporter::ExportError::clipboardFailed);
}

} // namespace
} // namespace quorvane
