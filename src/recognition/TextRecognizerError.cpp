#include "recognition/TextRecognizerError.h"

namespace quorvane {

QString TextRecognizerError::message() const {
    switch (kind) {
    case Case::unsupportedLanguages:
        return QStringLiteral("OCR does not support: ") + languages.join(QStringLiteral(", ")) +
               QStringLiteral(".");
    case Case::invalidDimensions:
        return QStringLiteral("OCR needs an image between 1 pixel and 32 megapixels.");
    case Case::unreadableImage:
        return QStringLiteral("The image could not be prepared for OCR.");
    }
    return {};
}

Error TextRecognizerError::error() const {
    return Error{QStringLiteral("Quorvane.OCR"), 2 + static_cast<int>(kind), message()};
}

} // namespace quorvane
