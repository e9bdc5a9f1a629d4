#include "platform/ZXingBarcodeReader.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#include <algorithm>
#include <utility>

namespace quorvane {

QString ZXingBarcodeReader::symbologyName(int zxingFormat) {
    using ZXing::BarcodeFormat;
    static const std::pair<BarcodeFormat, const char*> names[] = {
        {BarcodeFormat::Aztec, "Aztec"},
        {BarcodeFormat::Codabar, "Codabar"},
        {BarcodeFormat::Code39, "Code39"},
        {BarcodeFormat::Code93, "Code93"},
        {BarcodeFormat::Code128, "Code128"},
        {BarcodeFormat::DataBar, "GS1DataBar"},
        {BarcodeFormat::DataBarExpanded, "GS1DataBarExpanded"},
        {BarcodeFormat::DataMatrix, "DataMatrix"},
        {BarcodeFormat::EAN8, "EAN8"},
        {BarcodeFormat::EAN13, "EAN13"},
        {BarcodeFormat::ITF, "ITF14"},
        {BarcodeFormat::MaxiCode, "MaxiCode"},
        {BarcodeFormat::PDF417, "PDF417"},
        {BarcodeFormat::QRCode, "QR"},
        {BarcodeFormat::UPCA, "UPCA"},
        {BarcodeFormat::UPCE, "UPCE"},
        {BarcodeFormat::MicroQRCode, "MicroQR"},
    };
    for (const auto& [format, name] : names)
        if (static_cast<int>(format) == zxingFormat) return QString::fromLatin1(name);
    return QStringLiteral("Unknown");
}

std::vector<BarcodeReader::Code> ZXingBarcodeReader::read(const QImage& image) {
    std::vector<Code> codes;
    if (image.isNull()) return codes;
    const ZXing::ImageView view(image.constBits(), image.width(), image.height(), ZXing::ImageFormat::RGBX,
                                int(image.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Any);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid()) continue;
        const auto& corners = result.position();
        int minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
        for (const auto& p : corners) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        codes.push_back({QString::fromStdString(result.text()),
                         symbologyName(static_cast<int>(result.format())),
                         QRectF(minX, minY, maxX - minX, maxY - minY)});
    }
    return codes;
}

} // namespace quorvane
