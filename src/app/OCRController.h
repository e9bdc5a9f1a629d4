#pragma once

// The model behind the Recognized Text window. It reads one image at a time through the
// recognizer, lets a newer image supersede a running one, keeps the last result with one status
// line and the user's two options (join lines, language), and copies the text or a barcode's
// payload. Every start, cancel and reset draws a fresh token; an outcome that arrives for an older
// token, or after the controller is gone, is only logged. GUI thread only.

#include "recognition/RecognitionResult.h"
#include "recognition/RecognitionTask.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class Clipboard;
class TextRecognizer;

class OCRController : public QObject {
    Q_OBJECT
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString failureText READ failureText NOTIFY stateChanged)
    Q_PROPERTY(RecognitionResult result READ result NOTIFY resultChanged)
    Q_PROPERTY(QString source READ source NOTIFY sourceChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(bool joinLines READ joinLines WRITE setJoinLines NOTIFY joinLinesChanged)
    Q_PROPERTY(std::optional<QString> language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QStringList supportedLanguages READ supportedLanguages CONSTANT)

public:
    // `failed` carries its text in failureText().
    enum class State { failed, idle, running, finished };
    Q_ENUM(State)

    // Starts reading an image in the given languages (none: automatic detection) and returns what
    // cancels the run; the completion runs exactly once, on any thread, possibly before the call
    // returns.
    using Recognizer = std::function<std::shared_ptr<RecognitionTask>(
        const QImage& image, std::optional<QStringList> languages, RecognitionTask::Completion completion)>;

    static constexpr const char* runningMessage = "Recognizing text…";
    static constexpr const char* cancelledMessage = "OCR cancelled.";
    static constexpr const char* nothingToCopyMessage = "Nothing to copy.";

    // The program's recognizer as a recognition function; it must outlive the runs it starts.
    static Recognizer recognizerOf(TextRecognizer& recognizer);

    // The clipboard outlives the controller. `supportedLanguages` are what the language choice offers.
    OCRController(Clipboard& clipboard, QStringList supportedLanguages, Recognizer recognizer,
                  QObject* parent = nullptr);
    // A running recognition is not cancelled; its outcome is dropped when it arrives.
    ~OCRController() override;

    State state() const { return state_; }
    // The failure text while failed, else empty.
    const QString& failureText() const { return failure_; }
    const RecognitionResult& result() const { return result_; }
    const QString& source() const { return source_; }
    const QString& message() const { return message_; }
    bool joinLines() const { return joinLines_; }
    void setJoinLines(bool join);
    // The one recognition language; none is automatic detection. Applies from the next run.
    const std::optional<QString>& language() const { return language_; }
    void setLanguage(const std::optional<QString>& language);
    const QStringList& supportedLanguages() const { return supportedLanguages_; }
    bool isRecognizing() const { return task_ != nullptr; }

    // The result's text as shown and copied: lines joined by spaces or by line breaks.
    QString text() const {
        return result_.text(joinLines_ ? RecognitionResult::LineBreaks::joined
                                       : RecognitionResult::LineBreaks::kept);
    }

    // Reads `image`; `source` says what it is ("Area", "Editor image", "Editor selection").
    void recognize(const QImage& image, const QString& source);
    void copyText();
    // Copies `text` and says "Copied " + `label` + ".".
    void copy(const QString& text, const QString& label);
    // Stops a running recognition and resets with "OCR cancelled."; without one, nothing.
    void cancel();

Q_SIGNALS:
    void stateChanged();
    void resultChanged();
    void sourceChanged();
    void messageChanged();
    void joinLinesChanged();
    void languageChanged();

private:
    // On the GUI thread, once per run, whoever still wants it.
    static void deliver(const QPointer<OCRController>& owner, std::uint64_t token,
                        const RecognitionOutcome& outcome);
    void finish(const RecognitionResult& result);
    void reset(const QString& message);
    void fail(const QString& text);

    // Writes `field` and announces it through `changed` when the value is new.
    template<class T>
    void publish(T& field, const T& value, void (OCRController::*changed)());
    void setState(State state, const QString& failure = {});
    void setResult(const RecognitionResult& result);
    void setSource(const QString& source);
    void setMessage(const QString& message);

    Clipboard& clipboard_;
    QStringList supportedLanguages_;
    Recognizer recognizer_;

    State state_ = State::idle;
    QString failure_;
    RecognitionResult result_;
    QString source_;
    QString message_;
    bool joinLines_ = false;
    std::optional<QString> language_;

    std::shared_ptr<RecognitionTask> task_;
    std::uint64_t token_ = 0;
    std::uint64_t nextToken_ = 0;
};

} // namespace quorvane
