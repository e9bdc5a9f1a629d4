// Any bytes in: an image within the caps, or an ImportError; never a crash, a hang or an
// allocation beyond what the caps allow. The same bytes taken in pieces, as a file or a paste
// comes, keep the same and are found damaged alike whatever the pieces, and what opens whole opens
// from what they kept, unless they break the format where its decoder does not look.

#include "export/ImageImporter.h"
#include "export/ImageStream.h"

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
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
    if (const auto kind = quorvane::ImageKind::sniff(bytes)) {
        const auto total = static_cast<std::int64_t>(size);
        quorvane::ImageStream whole(*kind, total), pieces(*kind, total);
        whole.append(bytes);
        // Piece lengths from 1 to 64 KiB, chosen by the last byte.
        const std::size_t step = size > 0 ? data[size - 1] : 0;
        for (std::size_t at = 0, length = 1; at < size; at += length) {
            length = std::min(size - at, 1 + (step * 257 + at * 31) % 65'536);
            pieces.append(QByteArrayView(data + at, static_cast<qsizetype>(length)));
        }
        if (pieces.kept() != whole.kept() || pieces.damaged() != whole.damaged() ||
            pieces.received() != total)
            std::abort();
        if (result && !whole.damaged()) {
            const auto kept = quorvane::ImageImporter::image(whole.kept());
            if (!kept || kept->size() != result->size()) std::abort();
        }
    }
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
