#pragma once

// Finds barcodes in an image, behind an interface so that the recognizer's rule for duplicate
// codes can be tested with codes that overlap on cue.

#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

namespace quorvane {

class BarcodeReader {
public:
    struct Code {
        QString payload;
        QString symbology; // "QR", "Code128", "EAN13", …
        QRectF box;        // pixels of the image handed in
    };

    virtual ~BarcodeReader() = default;

    // The codes of `image` (RGBX8888) in the order the reader finds them.
    virtual std::vector<Code> read(const QImage& image) = 0;
};

} // namespace quorvane
