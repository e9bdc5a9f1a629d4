#pragma once

// The two roads an image takes into text recognition: the area the capture controller picked for
// it ("Area") and the editor's image or selection ("Editor image", "Editor selection"). Each reads
// the image with the OCR controller and then brings up the Recognized Text window through
// `present`. The controller is held weakly: once it is gone, a hand-over does nothing.

#include <QImage>
#include <QString>
#include <functional>

namespace quorvane {
class CaptureController;
class OCRController;
} // namespace quorvane

namespace quorvane::OCRHandover {

// For the editor pane's `recognizeText(image, source)`.
std::function<void(const QImage&, const QString&)> recognizer(OCRController& controller,
                                                              std::function<void()> present);
// The area the capture controller picked for text recognition goes to `controller`.
void connectCapture(CaptureController& capture, OCRController& controller, std::function<void()> present);

} // namespace quorvane::OCRHandover
