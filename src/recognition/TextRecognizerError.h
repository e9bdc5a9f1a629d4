#pragma once

#include "core/Error.h"

#include <QString>
#include <QStringList>

namespace quorvane {

// Why the recognizer refused an image or a language list before doing any work.
struct TextRecognizerError {
    enum class Case { unsupportedLanguages, invalidDimensions, unreadableImage };

    Case kind = Case::invalidDimensions;
    QStringList languages; // unsupportedLanguages only, in request order

    bool operator==(const TextRecognizerError&) const = default;

    QString message() const;
    // Domain "Quorvane.OCR", codes 2, 3 and 4 in case order.
    Error error() const;
};

} // namespace quorvane
