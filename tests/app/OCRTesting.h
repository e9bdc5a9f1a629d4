#pragma once

// Helpers of the OCR controller and Recognized Text window tests: a recognition function whose
// runs the test ends by hand (for orders of events that a real engine cannot be made to keep),
// results built line by line, and the "ocr" log lines as they were written.

#include "app/OCRController.h"
#include "platform/LogStore.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/LogLines.h"
#include "support/TestEnvironment.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <memory>
#include <thread>
#include <vector>

namespace quorvane::test {

class HeldRecognizer {
public:
    struct Call {
        QImage image;
        std::optional<QStringList> languages;
        std::shared_ptr<RecognitionTask> task;
    };

    OCRController::Recognizer function() {
        return [this](const QImage& image, std::optional<QStringList> languages,
                      RecognitionTask::Completion completion) {
            auto task = std::make_shared<RecognitionTask>(std::move(completion));
            calls.push_back({image, std::move(languages), task});
            return task;
        };
    }

    // Ends run `index` from another thread, as the recognizer does, then lets the GUI thread take
    // the outcome.
    void finish(std::size_t index, const RecognitionOutcome& outcome) {
        std::thread([&] { calls.at(index).task->finish(outcome); }).join();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    std::vector<Call> calls;
};

inline RecognizedLine line(const QString& text, float confidence = 0.9f) {
    return {text, confidence, QRectF(10, 10, 100, 20), {}};
}

inline RecognizedCode code(const QString& payload, const QString& symbology = QStringLiteral("QR")) {
    return {payload, symbology, QRectF(200, 10, 80, 80)};
}

inline RecognitionResult result(std::vector<RecognizedLine> lines, std::vector<RecognizedCode> codes = {}) {
    return {std::move(lines), std::move(codes)};
}

// The program's recognizer on the installed language data, with two workers.
inline std::unique_ptr<TextRecognizer>
realRecognizer(const QString& folder = TesseractLanguageData::defaultFolder()) {
    return std::make_unique<TextRecognizer>(std::make_shared<TesseractEngineFactory>(folder),
                                            std::make_shared<ZXingBarcodeReader>(),
                                            QStringList{QStringLiteral("en-US")}, 2);
}

inline const std::string droppedLine = "OCR result dropped: superseded or cancelled";

} // namespace quorvane::test
