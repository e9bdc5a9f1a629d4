#pragma once

#include "canvas/TextRedactionReview.h"
#include "recognition/RecognitionResult.h"
#include "recognition/RecognitionTask.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class EditorDocument;
class UndoManager;

// One Redact Text review: recognises the image (or the selection), offers every word, line and
// code as a box, lets clicks keep boxes visible, and covers the rest in one undo step. Owned by
// the canvas settings while open; it follows its document through a QPointer because documents
// are released with deleteLater(). All coordinates are document image pixels. GUI thread.
class TextRedactionController : public TextRedactionReview {
    Q_OBJECT

public:
    enum class State { recognizing, reviewing, failed };
    enum class Granularity { words, lines };

    struct Candidate {
        int id = 0; // position in the item list before boxes were dropped
        QString text;
        QRectF rect; // standardised, unpadded
        bool included = true;

        bool operator==(const Candidate& other) const;
    };

    // Starts a recognition of the image; the completion may run on any thread, or before the
    // function returns.
    using Recognize =
        std::function<std::shared_ptr<RecognitionTask>(const QImage&, RecognitionTask::Completion)>;

    static constexpr std::array<double, 7> paddingChoices = {0, 1, 2, 4, 6, 8, 12};
    static constexpr std::array<Granularity, 2> granularities = {Granularity::words, Granularity::lines};
    // "Words", "Lines": also the labels in the bar.
    static QString granularityName(Granularity granularity);
    // The padding choice nearest to two pixels per point; the smaller wins a tie.
    static double startPadding(double pixelScale);

    // Starts recognising `image` at once; `origin` is where its top-left lies in the document.
    TextRedactionController(EditorDocument& document, const QImage& image, QPointF origin, QColor color,
                            double padding, const Recognize& recognize, QObject* parent = nullptr);
    ~TextRedactionController() override;

    State state() const { return state_; }
    // The text shown when failed.
    const QString& failure() const { return failure_; }
    const std::vector<Candidate>& candidates() const { return candidates_; }
    Granularity granularity() const { return granularity_; }
    // Another value rebuilds the boxes, every one included again.
    void setGranularity(Granularity value);
    double padding() const { return padding_; }
    void setPadding(double value);
    QColor color() const { return color_; }
    QPointF origin() const { return origin_; }
    int includedCount() const;

    void rebuild();
    void cancel() override;
    EditorDocument* document() const override;
    std::optional<Toggle> toggle(const QPointF& imagePoint) override;
    // The candidate as it is after the flip.
    std::optional<Candidate> toggleCandidate(const QPointF& imagePoint);
    void setAll(bool included);
    // Adds the included boxes as redactions in one undo step; the number added.
    int apply();
    void drawPreview(QPainter& painter, const HighContrastStyle& style,
                     const std::function<QRectF(const QRectF&)>& toView) const override;

    // Padded, whole pixels, within the crop; null or empty outside it.
    QRectF effectiveBox(const Candidate& candidate) const;

Q_SIGNALS:
    // Anything shown changed: state, candidates, granularity or padding.
    void changed();

private:
    void finish(const QUuid& token, const RecognitionOutcome& outcome);
    void documentChanged(qint64 revision);
    void fail(const QString& text);
    void watch();

    State state_ = State::recognizing;
    QString failure_;
    std::vector<Candidate> candidates_;
    Granularity granularity_ = Granularity::words;
    double padding_ = 0;
    QColor color_;
    QPointF origin_;
    QPointer<EditorDocument> document_;
    qint64 revision_ = 0;
    RecognitionResult result_;
    std::shared_ptr<RecognitionTask> task_;
    QUuid token_;
    QMetaObject::Connection watcher_;
};

} // namespace quorvane
