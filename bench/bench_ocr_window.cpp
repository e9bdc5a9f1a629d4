// Text recognition as the user sees it: from the area picked (the image handed to the OCR
// controller) to its text shown in the Recognized Text window, for a page of prose and a dialog
// with a QR code; "recognizer_ms" is the recognizer's own share of each run. Run with
// --benchmark_repetitions=10 for the median of ten.

#include "OffscreenMain.h"
#include "ScreenshotPages.h"
#include "app/OCRController.h"
#include "app/RecognizedTextWindow.h"
#include "platform/OpenMPEnvironment.h"
#include "platform/SystemClipboard.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>

namespace quorvane::bench {
namespace {

using Clock = std::chrono::steady_clock;

TextRecognizer& recognizer() {
    static TextRecognizer instance(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en")});
    return instance;
}

// The program's controller and window, with the recognizer's start and end taken on the way.
struct Shown {
    Shown()
        : controller(clipboard, recognizer().languages(),
                     [this](const QImage& image, std::optional<QStringList> languages,
                            RecognitionTask::Completion completion) {
                         started = Clock::now();
                         return recognizer().recognize(image, std::move(languages),
                                                       [this, completion](const RecognitionOutcome& outcome) {
                                                           ended.store(Clock::now());
                                                           completion(outcome);
                                                       });
                     }),
          window(controller) {
        window.show();
    }
    // Reads `image` and returns once the window shows its text (or the run ended otherwise).
    bool show(const QImage& image) {
        controller.recognize(image, QStringLiteral("Area"));
        QPlainTextEdit* text = window.findChild<QPlainTextEdit*>();
        while (controller.state() == OCRController::State::running ||
               text->toPlainText() != controller.text())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return controller.state() == OCRController::State::finished;
    }

    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    OCRController controller;
    RecognizedTextWindow window;
    Clock::time_point started;
    std::atomic<Clock::time_point> ended;
};

void BM_AreaToTextShown(benchmark::State& state) {
    const Screenshot shot = state.range(0) == 0 ? prosePage() : dialogWithCode();
    Shown shown;
    shown.show(shot.image); // engines loaded before timing
    double recognizerSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!shown.show(shot.image)) {
            state.SkipWithError(shown.controller.message().toStdString().c_str());
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        recognizerSeconds += std::chrono::duration<double>(shown.ended.load() - shown.started).count();
    }
    state.SetLabel(shot.name.toStdString());
    state.counters["recognizer_ms"] =
        benchmark::Counter(recognizerSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["lines"] = double(shown.controller.result().lines.size());
    state.counters["codes"] = double(shown.controller.result().codes.size());
}

// A megabyte of recognised text into the window, as lines and joined into one.
void BM_ShowMegabyteOfText(benchmark::State& state) {
    RecognitionResult result;
    for (int i = 0; i < 16'000; ++i)
        result.lines.push_back(
            {sentence(i, 10).leftJustified(64, QLatin1Char('.')), 0.9f, QRectF(0, i * 20, 600, 18), {}});
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    const auto instant = [&result](const QImage&, std::optional<QStringList>,
                                   RecognitionTask::Completion done) {
        auto task = std::make_shared<RecognitionTask>(std::move(done));
        task->finish(result);
        return task;
    };
    OCRController controller(clipboard, {}, instant);
    RecognizedTextWindow window(controller);
    window.show();
    controller.setJoinLines(state.range(0) == 1);
    QPlainTextEdit* text = window.findChild<QPlainTextEdit*>();
    const QImage image(8, 8, QImage::Format_RGBX8888);
    for (auto _ : state) {
        controller.recognize(image, QStringLiteral("Area"));
        while (controller.state() == OCRController::State::running)
            QCoreApplication::processEvents();
        text->repaint();
    }
    state.SetLabel(state.range(0) == 1 ? "joined" : "lines");
}

BENCHMARK(BM_AreaToTextShown)
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowMegabyteOfText)->DenseRange(0, 1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvane::bench

int main(int argc, char** argv) {
    quorvane::OpenMPEnvironment::ensureSingleThreaded("/proc/self/exe", argv);
    return quorvane::bench::runOffscreen(argc, argv);
}
