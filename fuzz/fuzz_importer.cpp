// Any bytes in: an image within the caps, or an ImportError; never a crash, a hang or an
// allocation beyond what the caps allow.

#include "export/ImageImporter.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Qt's image readers complain about bad input on standard error; that is expected here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // No copy: reads past the input's end then show as overflows of the fuzzer's own buffer.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto result = quorvane::ImageImporter::image(bytes);
    if (!result) return 0;
    const QImage& image = *result;
    if (image.isNull() || image.width() > quorvane::ImageImporter::maxSide ||
        image.height() > quorvane::ImageImporter::maxSide ||
        std::int64_t{image.width()} * image.height() > quorvane::ImageImporter::maxPixels ||
        image.format() != QImage::Format_RGBA8888_Premultiplied)
        std::abort();
    // Every decoded row must be readable.
    volatile unsigned sum = 0;
    for (int y = 0; y < image.height(); ++y)
        sum = sum + image.constScanLine(y)[4 * (image.width() - 1) + 3];
    return 0;
}
