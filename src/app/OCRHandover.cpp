#include "app/OCRHandover.h"

#include "app/OCRController.h"
#include "capture/CaptureController.h"

#include <QPointer>

namespace quorvane::OCRHandover {

std::function<void(const QImage&, const QString&)> recognizer(OCRController& controller,
                                                              std::function<void()> present) {
    return [ocr = QPointer<OCRController>(&controller), present = std::move(present)](const QImage& image,
                                                                                      const QString& source) {
        if (!ocr) return;
        ocr->recognize(image, source);
        if (present) present();
    };
}

void connectCapture(CaptureController& capture, OCRController& controller, std::function<void()> present) {
    QObject::connect(&capture, &CaptureController::ocrImageCaptured, &controller,
                     [read = recognizer(controller, std::move(present))](const QImage& image) {
                         read(image, QStringLiteral("Area"));
                     });
}

} // namespace quorvane::OCRHandover
