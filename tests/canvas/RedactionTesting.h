#pragma once

// What the Redact Text tests share: a recogniser whose outcome the test hands over, results made
// of lines, words and codes, and a log sink that keeps the "ocr" lines.

#include "canvas/TextRedactionController.h"
#include "core/Log.h"
#include "core/LogSink.h"
#include "support/LogLines.h"

#include <QCoreApplication>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::test {

// Stands in for the engine where a test needs to choose the outcome and its moment.
struct HeldRecognizer {
    std::vector<std::shared_ptr<RecognitionTask>> tasks;
    std::vector<QImage> images;

    TextRedactionController::Recognize function() {
        return [this](const QImage& image, RecognitionTask::Completion completion) {
            tasks.push_back(std::make_shared<RecognitionTask>(std::move(completion)));
            images.push_back(image);
            return tasks.back();
        };
    }
    // Finishes recognition `index` (the last by default) and lets the result reach the review.
    void deliver(const RecognitionOutcome& outcome, int index = -1) {
        tasks.at(index < 0 ? tasks.size() - 1 : static_cast<std::size_t>(index))->finish(outcome);
        QCoreApplication::processEvents();
    }
};

inline RecognizedLine line(const QString& text, const QRectF& box, std::vector<RecognizedWord> words = {}) {
    return RecognizedLine{text, 0.9f, box, std::move(words)};
}

// "alpha beta gamma" at y 10..20, words 30 pixels wide with 10 between.
inline RecognitionResult threeWords() {
    return RecognitionResult{{line("alpha beta gamma", QRectF(10, 10, 110, 10),
                                   {{"alpha", QRectF(10, 10, 30, 10)},
                                    {"beta", QRectF(50, 10, 30, 10)},
                                    {"gamma", QRectF(90, 10, 30, 10)}})},
                             {}};
}

inline const std::string droppedRedaction = "Redact Text result dropped: superseded or cancelled";

} // namespace quorvane::test
