#include "canvas/TextRedactionController.h"

#include "core/Geometry.h"
#include "core/Log.h"
#include "document/Annotation.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"
#include "document/UndoManager.h"

#include <QCoreApplication>
#include <QPainterPath>
#include <QPen>
#include <cmath>

namespace quorvane {
namespace {

const QString changedText = QStringLiteral("The image changed. Run Redact Text again.");

} // namespace

bool TextRedactionController::Candidate::operator==(const Candidate& other) const {
    return id == other.id && text == other.text && geom::exactlyEqual(rect, other.rect) &&
           included == other.included;
}

QString TextRedactionController::granularityName(Granularity granularity) {
    return granularity == Granularity::words ? QStringLiteral("Words") : QStringLiteral("Lines");
}

double TextRedactionController::startPadding(double pixelScale) {
    const double target = 2.0 * pixelScale;
    double best = paddingChoices.front();
    for (double choice : paddingChoices)
        if (std::abs(choice - target) < std::abs(best - target)) best = choice;
    return best;
}

TextRedactionController::TextRedactionController(EditorDocument& document, const QImage& image,
                                                 QPointF origin, QColor color, double padding,
                                                 const Recognize& recognize, QObject* parent)
    : TextRedactionReview(parent), padding_(padding), color_(color), origin_(origin), document_(&document),
      revision_(document.revision()) {
    document.setTextRedactionReview(this);
    token_ = QUuid::createUuid();
    watch();
    // The completion may come from the recogniser's thread: it travels to the GUI thread through
    // the application object, and finds this controller there only while it still exists.
    const QPointer<TextRedactionController> self(this);
    const QUuid token = token_;
    task_ = recognize(image, [self, token](const RecognitionOutcome& outcome) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, token, outcome] {
                if (!self) {
                    Log::ocr().log("Redact Text result dropped: superseded or cancelled");
                    return;
                }
                self->finish(token, outcome);
            },
            Qt::QueuedConnection);
    });
}

TextRedactionController::~TextRedactionController() {
    if (task_) task_->cancel();
}

EditorDocument* TextRedactionController::document() const {
    return document_.data();
}

void TextRedactionController::watch() {
    if (!document_) return;
    watcher_ = connect(document_.data(), &EditorDocument::revisionChanged, this,
                       &TextRedactionController::documentChanged);
    // A document gone while the review is open ends the review.
    connect(document_.data(), &QObject::destroyed, this, [this] {
        cancel();
        candidates_.clear();
        fail(changedText);
    });
}

void TextRedactionController::finish(const QUuid& token, const RecognitionOutcome& outcome) {
    if (token != token_) {
        Log::ocr().log("Redact Text result dropped: superseded or cancelled");
        return;
    }
    task_.reset();
    if (outcome) {
        result_ = outcome.value();
        rebuild();
        state_ = State::reviewing;
        Q_EMIT changed();
    } else if (outcome.error().isCancellation()) {
        fail(QStringLiteral("Text recognition was cancelled."));
    } else {
        fail(QStringLiteral("Could not read text: ") + outcome.error().message());
    }
}

void TextRedactionController::fail(const QString& text) {
    state_ = State::failed;
    failure_ = text;
    Q_EMIT changed();
}

void TextRedactionController::documentChanged(qint64 revision) {
    if (revision == revision_ || state_ == State::failed) return;
    cancel();
    candidates_.clear();
    fail(changedText);
}

void TextRedactionController::setGranularity(Granularity value) {
    if (value == granularity_) return;
    granularity_ = value;
    rebuild();
}

void TextRedactionController::setPadding(double value) {
    if (value == padding_ || !std::isfinite(value)) return;
    padding_ = value;
    Q_EMIT changed();
}

int TextRedactionController::includedCount() const {
    return static_cast<int>(
        std::count_if(candidates_.begin(), candidates_.end(), [](const Candidate& c) { return c.included; }));
}

void TextRedactionController::rebuild() {
    std::vector<std::pair<QString, QRectF>> items;
    for (const RecognizedLine& line : result_.lines) {
        if (granularity_ == Granularity::words && !line.words.empty())
            for (const RecognizedWord& word : line.words)
                items.emplace_back(word.text, word.boundingBox);
        else
            items.emplace_back(line.text, line.boundingBox);
    }
    for (const RecognizedCode& code : result_.codes)
        items.emplace_back(code.symbology + QStringLiteral(" code"), code.boundingBox);

    std::vector<Candidate> built;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QRectF rect = geom::offsetBy(geom::standardized(items[i].second), origin_.x(), origin_.y());
        if (!geom::isValidArea(rect)) continue;
        built.push_back(Candidate{static_cast<int>(i), items[i].first, rect, true});
    }
    candidates_ = std::move(built);
    Q_EMIT changed();
}

void TextRedactionController::cancel() {
    if (task_) task_->cancel();
    task_.reset();
    token_ = QUuid::createUuid();
    disconnect(watcher_);
}

QRectF TextRedactionController::effectiveBox(const Candidate& candidate) const {
    const EditorDocument* document = document_;
    if (document == nullptr) return geom::nullRect();
    const QRectF padded = geom::integral(geom::insetBy(candidate.rect, -padding_, -padding_));
    if (!geom::isFinite(padded)) return geom::nullRect();
    return geom::intersection(padded, document->cropRect());
}

std::optional<TextRedactionController::Candidate>
TextRedactionController::toggleCandidate(const QPointF& point) {
    if (state_ != State::reviewing) return std::nullopt;
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        if (!geom::contains(effectiveBox(candidates_[i]), point)) continue;
        const auto area = [&](std::size_t k) {
            return geom::width(candidates_[k].rect) * geom::height(candidates_[k].rect);
        };
        if (!best || area(i) < area(*best)) best = i;
    }
    if (!best) return std::nullopt;
    candidates_[*best].included = !candidates_[*best].included;
    Q_EMIT changed();
    return candidates_[*best];
}

std::optional<TextRedactionReview::Toggle> TextRedactionController::toggle(const QPointF& imagePoint) {
    const auto flipped = toggleCandidate(imagePoint);
    if (!flipped) return std::nullopt;
    return Toggle{flipped->included, flipped->text};
}

void TextRedactionController::setAll(bool included) {
    for (Candidate& candidate : candidates_)
        candidate.included = included;
    Q_EMIT changed();
}

int TextRedactionController::apply() {
    EditorDocument* target = document_;
    if (state_ != State::reviewing || target == nullptr || target->revision() != revision_) return 0;
    std::vector<QRectF> boxes;
    for (const Candidate& candidate : candidates_) {
        if (!candidate.included) continue;
        const QRectF box = effectiveBox(candidate);
        if (!geom::isEmpty(box)) boxes.push_back(box);
    }
    if (boxes.empty()) return 0;
    disconnect(watcher_);

    EditorDocument& document = *target;
    const std::size_t before = document.annotations().size();
    UndoManager& undo = document.undoManager();
    undo.beginGroup(QStringLiteral("Redact Text"));
    for (const QRectF& box : boxes) {
        Annotation a;
        a.id = QUuid::createUuid();
        a.kind = AnnotationKind::redact;
        a.rect = box;
        a.start = QPointF(geom::minX(box), geom::minY(box));
        a.end = QPointF(geom::maxX(box), geom::maxY(box));
        a.color = color_;
        a.strokeWidth = 3;
        a.fill = false;
        a.fontSize = 24;
        a.opacity = 1;
        a.number = 0;
        a.magnification = 2;
        document.addAnnotation(a);
    }
    undo.setActionName(QStringLiteral("Redact Text"));
    undo.endGroup();
    // The document drops invalid annotations silently: count what it really holds.
    const int added = static_cast<int>(document.annotations().size() - before);
    // Nothing added leaves the review open: it must go on noticing edits.
    if (added == 0)
        watcher_ = connect(&document, &EditorDocument::revisionChanged, this,
                           &TextRedactionController::documentChanged);
    return added;
}

void TextRedactionController::drawPreview(QPainter& painter, const HighContrastStyle& style,
                                          const std::function<QRectF(const QRectF&)>& toView) const {
    if (state_ != State::reviewing) return;
    QColor base = color_.isValid() ? color_.toRgb() : QColor(Qt::black);
    base.setAlphaF(style.enabled ? 0.9f : 0.72f);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const Candidate& candidate : candidates_) {
        const QRectF box = effectiveBox(candidate);
        if (geom::isEmpty(box)) continue;
        const QRectF view = toView(box);
        if (!geom::isFinite(view)) continue;
        painter.setBrush(Qt::NoBrush);
        if (candidate.included) {
            painter.fillRect(view, base);
            if (style.enabled) {
                painter.setPen(QPen(Qt::black, 4));
                painter.drawRect(view);
                painter.setPen(QPen(Qt::white, 2));
                painter.drawRect(view);
            } else {
                painter.setPen(QPen(SystemColors::cyan(), 1));
                painter.drawRect(view);
            }
        } else {
            QPen pen(style.enabled ? QColor(Qt::white) : SystemColors::orange(), style.enabled ? 3 : 1);
            pen.setDashPattern({4.0 / pen.widthF(), 3.0 / pen.widthF()});
            pen.setDashOffset(0);
            painter.setPen(pen);
            painter.drawRect(view);
        }
    }
    painter.restore();
}

} // namespace quorvane
