#pragma once

// Barcodes through ZXing-cpp, every symbology it knows, payloads as UTF-8.

#include "platform/BarcodeReader.h"

namespace quorvane {

class ZXingBarcodeReader : public BarcodeReader {
public:
    std::vector<Code> read(const QImage& image) override;

    // "QR", "DataMatrix", "EAN13", "Code128", …: the names the recognizer reports.
    static QString symbologyName(int zxingFormat);
};

} // namespace quorvane
