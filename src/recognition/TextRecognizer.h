#pragma once

// Reads text lines, words and barcodes out of an image, off the GUI thread. The text engines run
// on a small pool of workers, each with its own engine loaded once: one layout analysis of the
// image as given (two or more when highlights cover its lines), then its lines read piece by
// piece side by side, while this recognizer's own
// thread looks for barcodes. Boxes come back in pixels of the image as given, top-left origin.
// Recognitions run one after another; a cancelled one that has not started yet costs nothing.

#include "platform/BarcodeReader.h"
#include "platform/TextEngineFactory.h"
#include "recognition/EnginePool.h"
#include "recognition/RecognitionTask.h"
#include "recognition/RecognizedWord.h"
#include "recognition/TextRecognizerError.h"

#include <QImage>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace quorvane {

class TextRecognizer {
public:
    // The box of the piece [start, start + length) of a line's text, when the engine gave one.
    using WordBox = std::function<std::optional<QRectF>(qsizetype start, qsizetype length)>;

    // `uiLanguages` are the user's interface languages (BCP 47), most wanted first, for
    // automatic detection; `workers` engines read text at once (0: chosen from the cores).
    TextRecognizer(std::shared_ptr<TextEngineFactory> engines, std::shared_ptr<BarcodeReader> barcodes,
                   QStringList uiLanguages, int workers = 0);
    ~TextRecognizer(); // cancels what is running and waits for it
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    // The installed recognition languages, as BCP 47 tags.
    QStringList languages() const { return languages_; }
    // What automatic detection reads: the installed languages of the interface languages, then
    // English, at most three.
    QStringList automaticLanguages() const;
    int workerCount() const { return pool_.size(); }

    // Starts recognising `image`; none for `languages` is automatic detection. `completion` runs
    // exactly once: before this returns when the image or the languages are refused, otherwise
    // on the recognizer's thread. `willPerform` runs there right before the engines start.
    std::shared_ptr<RecognitionTask> recognize(const QImage& image, std::optional<QStringList> languages,
                                               RecognitionTask::Completion completion = {},
                                               std::function<void()> willPerform = {});

    // How much a small image is enlarged: ×1 from 1200 pixels on the longer side, else
    // 2400 div longer, kept within 2 to 4.
    static int upscaleFactor(QSize size);
    // The image as the engines read it: RGBX over white, enlarged by `upscaleFactor`.
    static Result<QImage, TextRecognizerError> upscaled(const QImage& image);
    // The image as given, RGBX over white: where the layout is analysed and word boxes are fitted.
    static Result<QImage, TextRecognizerError> onWhite(const QImage& image);
    // The white-space-separated pieces of `text` that have a finite box.
    static std::vector<RecognizedWord> words(const QString& text, const WordBox& box);

private:
    struct Job {
        std::shared_ptr<RecognitionTask> task;
        QImage image;
        QStringList languages;
        std::function<void()> willPerform;
    };
    void runDispatcher();
    RecognitionOutcome run(const Job& job);

    std::shared_ptr<TextEngineFactory> engines_;
    std::shared_ptr<BarcodeReader> barcodes_;
    QStringList uiLanguages_;
    QStringList languages_;
    EnginePool pool_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<Job> jobs_;
    std::shared_ptr<RecognitionTask> running_;
    bool stopping_ = false;
    std::thread dispatcher_;
};

} // namespace quorvane
