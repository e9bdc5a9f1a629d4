#include "app/OCRController.h"

#include "core/Log.h"
#include "platform/Clipboard.h"
#include "recognition/TextRecognizer.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace quorvane {

namespace {

constexpr float lowConfidence = 0.5f;

// "1 line", "0 codes": the number in plain decimal, whatever the locale.
QString counted(std::size_t count, const char* noun) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(noun) +
           (count == 1 ? QString() : QStringLiteral("s"));
}

QString summary(const RecognitionResult& result) {
    if (result.lines.empty() && result.codes.empty()) return QStringLiteral("No text or codes found.");
    if (std::any_of(result.lines.begin(), result.lines.end(),
                    [](const RecognizedLine& line) { return line.confidence < lowConfidence; }))
        return QStringLiteral("Some text was recognized with low confidence; review before copying.");
    return QStringLiteral("Found ") + counted(result.lines.size(), "line") + QStringLiteral(" and ") +
           counted(result.codes.size(), "code") + QLatin1Char('.');
}

} // namespace

OCRController::Recognizer OCRController::recognizerOf(TextRecognizer& recognizer) {
    return [&recognizer](const QImage& image, std::optional<QStringList> languages,
                         RecognitionTask::Completion completion) {
        return recognizer.recognize(image, std::move(languages), std::move(completion));
    };
}

OCRController::OCRController(Clipboard& clipboard, QStringList supportedLanguages, Recognizer recognizer,
                             QObject* parent)
    : QObject(parent), clipboard_(clipboard), supportedLanguages_(std::move(supportedLanguages)),
      recognizer_(std::move(recognizer)), token_(++nextToken_) {}

OCRController::~OCRController() = default;

template<class T>
void OCRController::publish(T& field, const T& value, void (OCRController::*changed)()) {
    if (field == value) return;
    field = value;
    Q_EMIT(this->*changed)();
}

void OCRController::setJoinLines(bool join) {
    publish(joinLines_, join, &OCRController::joinLinesChanged);
}

void OCRController::setLanguage(const std::optional<QString>& language) {
    publish(language_, language, &OCRController::languageChanged);
}

void OCRController::recognize(const QImage& image, const QString& source) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (task_) task_->cancel();
    const std::uint64_t token = ++nextToken_;
    std::optional<QStringList> languages;
    if (language_) languages = QStringList{*language_};
    const Recognizer recognizer = recognizer_;
    token_ = token;
    setSource(source);
    setResult({});
    setState(State::running);
    setMessage(QString::fromUtf8(runningMessage));
    Log::ocr().log("OCR started: {} {}x{} px", source, image.width(), image.height());

    // The completion may run on the recognizer's thread, and before recognize() returns: the
    // outcome always comes back on a later turn of the GUI thread, where the token decides.
    auto owner = std::make_shared<QPointer<OCRController>>(this);
    task_ = recognizer(image, std::move(languages), [owner, token](const RecognitionOutcome& outcome) {
        QCoreApplication* const application = QCoreApplication::instance();
        if (application == nullptr) return;
        QMetaObject::invokeMethod(
            application, [owner, token, outcome] { deliver(*owner, token, outcome); }, Qt::QueuedConnection);
    });
}

void OCRController::deliver(const QPointer<OCRController>& owner, std::uint64_t token,
                            const RecognitionOutcome& outcome) {
    OCRController* const controller = owner.data();
    if (controller == nullptr || controller->token_ != token) {
        Log::ocr().log("OCR result dropped: superseded or cancelled");
        return;
    }
    controller->task_.reset();
    if (outcome.ok()) return controller->finish(outcome.value());
    const RecognitionFailure& failure = outcome.error();
    if (failure.isCancellation()) return controller->reset(QString::fromUtf8(cancelledMessage));
    controller->fail(QStringLiteral("OCR failed: ") + failure.message());
}

void OCRController::finish(const RecognitionResult& result) {
    Log::ocr().log("OCR applied: {} lines, {} codes", result.lines.size(), result.codes.size());
    setResult(result);
    setState(State::finished);
    setMessage(summary(result));
}

void OCRController::fail(const QString& text) {
    setState(State::failed, text);
    setMessage(text);
}

void OCRController::reset(const QString& message) {
    // The task is dropped, not cancelled: cancel() has done that where it was needed.
    task_.reset();
    token_ = ++nextToken_;
    setResult({});
    setState(State::idle);
    setMessage(message);
}

void OCRController::cancel() {
    if (!task_) return;
    task_->cancel();
    reset(QString::fromUtf8(cancelledMessage));
}

void OCRController::copyText() {
    copy(text(), QStringLiteral("text"));
}

void OCRController::copy(const QString& text, const QString& label) {
    if (text.isEmpty()) return setMessage(QString::fromUtf8(nothingToCopyMessage));
    if (!clipboard_.writeText(text)) {
        // Saying "Copied" for a clipboard that refused would leave the user pasting something else.
        return setMessage(QStringLiteral("Could not copy ") + label +
                          QStringLiteral(": the clipboard refused it."));
    }
    setMessage(QStringLiteral("Copied ") + label + QLatin1Char('.'));
}

void OCRController::setState(State state, const QString& failure) {
    if (state_ == state && failure_ == failure) return;
    state_ = state;
    failure_ = failure;
    Q_EMIT stateChanged();
}

void OCRController::setResult(const RecognitionResult& result) {
    publish(result_, result, &OCRController::resultChanged);
}

void OCRController::setSource(const QString& source) {
    publish(source_, source, &OCRController::sourceChanged);
}

void OCRController::setMessage(const QString& message) {
    publish(message_, message, &OCRController::messageChanged);
}

} // namespace quorvane
