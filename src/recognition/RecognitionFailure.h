#pragma once

#include "core/Error.h"
#include "recognition/TextRecognizerError.h"

#include <QString>

namespace quorvane {

// Why a recognition gave no result: refused up front, cancelled, or failed in the engine.
struct RecognitionFailure {
    enum class Kind { refused, cancelled, engine };

    Kind kind = Kind::cancelled;
    TextRecognizerError refusal; // refused only
    Error engine;                // engine only

    static RecognitionFailure refused(TextRecognizerError error) { return {Kind::refused, error, {}}; }
    static RecognitionFailure cancellation() { return {Kind::cancelled, {}, {}}; }
    static RecognitionFailure failed(Error error) { return {Kind::engine, {}, error}; }

    bool operator==(const RecognitionFailure&) const = default;

    bool isCancellation() const { return kind == Kind::cancelled; }
    QString message() const {
        switch (kind) {
        case Kind::refused:
            return refusal.message();
        case Kind::cancelled:
            return QStringLiteral("OCR cancelled.");
        case Kind::engine:
            return engine.message;
        }
        return {};
    }
};

} // namespace quorvane
