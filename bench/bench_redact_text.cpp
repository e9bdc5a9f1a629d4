// Redact Text: from opening a review to its boxes on a 1920 × 1080 text-dense screenshot (real
// recognition, automatic language), and applying 500 boxes as one undo step.

#include "OffscreenMain.h"
#include "ScreenshotPages.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionController.h"
#include "document/EditorDocument.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/WaitUntil.h"

#include <benchmark/benchmark.h>

namespace quorvane::bench {
namespace {

TextRecognizer& recognizer() {
    static TextRecognizer instance(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en")});
    return instance;
}

TextRedactionController::Recognize recognize() {
    return [](const QImage& image, RecognitionTask::Completion done) {
        return recognizer().recognize(image, std::nullopt, std::move(done));
    };
}

void BM_ReviewStartToBoxes(benchmark::State& state) {
    const Screenshot shot = prosePage();
    EditorDocument document(shot.image, std::nullopt, 1);
    EditorCanvasSettings settings;
    std::size_t boxes = 0;
    for (auto _ : state) {
        settings.startTextRedaction(document, recognize());
        auto* review = qobject_cast<TextRedactionController*>(settings.modes().textRedaction());
        test::waitUntil([&] { return review->state() != TextRedactionController::State::recognizing; },
                        120000);
        boxes = review->candidates().size();
        settings.finishTextRedaction(false);
    }
    state.counters["boxes"] = double(boxes);
}
BENCHMARK(BM_ReviewStartToBoxes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// 500 words in 25 rows, handed over as the recogniser's result.
RecognitionResult fiveHundredWords() {
    RecognitionResult result;
    for (int row = 0; row < 25; ++row) {
        RecognizedLine line{QStringLiteral("row"), 0.9f, QRectF(10, 10 + row * 40, 1900, 20), {}};
        for (int i = 0; i < 20; ++i)
            line.words.push_back({QStringLiteral("w"), QRectF(10 + i * 95, 10 + row * 40, 80, 20)});
        result.lines.push_back(line);
    }
    return result;
}

void BM_ApplyFiveHundredBoxes(benchmark::State& state) {
    const RecognitionResult result = fiveHundredWords();
    const QImage image = test::whiteImage(1920, 1080);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EditorDocument document(image, std::nullopt, 1);
        TextRedactionController review(document, image, {}, Qt::black, 2,
                                       [&](const QImage&, RecognitionTask::Completion done) {
                                           auto task = std::make_shared<RecognitionTask>(std::move(done));
                                           task->finish(result);
                                           return task;
                                       });
        test::waitUntil([&] { return review.state() == TextRedactionController::State::reviewing; });
        state.ResumeTiming();
        added = review.apply();
        benchmark::DoNotOptimize(document.undoManager().undoActionName());
    }
    state.counters["added"] = added;
}
BENCHMARK(BM_ApplyFiveHundredBoxes)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvane::bench

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen(argc, argv);
}
