#include "canvas/TextRedactionMode.h"

#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

namespace quorvane {

void TextRedactionMode::start(EditorDocument& document, const TextRedactionController::Recognize& recognize) {
    settings_.finishOpenText();
    end();
    auto image = settings_.recognitionImage(document);
    if (!image) {
        settings_.modes().setMessage(image.error().message);
        return;
    }
    const std::optional<QRectF> selection = settings_.modes().selection();
    const QRectF crop = document.cropRect();
    const QPointF origin(geom::minX(crop) + (selection ? geom::minX(*selection) : 0.0),
                         geom::minY(crop) + (selection ? geom::minY(*selection) : 0.0));
    const double padding = TextRedactionController::startPadding(settings_.style().pixelScale());
    const QString target = selection ? QStringLiteral("the selection") : QStringLiteral("the image");
    const QColor color = settings_.style().toolKind() == ToolTable::Tool::redact ? settings_.style().color()
                                                                                 : QColor(Qt::black);

    auto* review =
        new TextRedactionController(document, image.value().image, origin, color, padding, recognize);
    // The canvas redraws the boxes whenever the review changes.
    QObject::connect(review, &TextRedactionController::changed, &settings_.modes(),
                     &PaneModes::textRedactionReviewChanged);
    // A document released during the review ends it.
    QObject::connect(&document, &QObject::destroyed, review, [this, review] {
        if (settings_.modes().textRedaction() == review) settings_.modes().setTextRedaction(nullptr);
    });
    {
        const auto hold = settings_.holdChanges();
        settings_.modes().setTextRedaction(review);
        settings_.modes().setCropping(false);
        settings_.modes().setRecognizing(false);
        settings_.modes().setSelection(std::nullopt);
        settings_.modes().setSelectedID(std::nullopt);
        settings_.modes().setAreaColors(std::nullopt);
        settings_.modes().setMessage(QStringLiteral("Finding text in ") + target + QStringLiteral("…"));
    }
    settings_.announce(QStringLiteral("Redact text: finding text in ") + target +
                       QStringLiteral(". Click boxes to keep them visible, Return redacts, Escape cancels."));
}

void TextRedactionMode::finish(bool apply) {
    auto* review = qobject_cast<TextRedactionController*>(settings_.modes().textRedaction());
    if (review == nullptr) {
        // A review of another kind has nothing to apply; cancelling still ends it.
        if (settings_.modes().textRedaction() != nullptr && !apply) end();
        return;
    }
    using State = TextRedactionController::State;
    if (apply && review->state() == State::recognizing) return;
    if (apply && review->state() == State::reviewing && !review->candidates().empty()) {
        const int n = review->apply();
        if (n == 0) {
            settings_.modes().setMessage(QStringLiteral("Select at least one box, or press Esc."));
            return;
        }
        const QString counted = QStringLiteral("Redacted ") + QString::number(n) +
                                (n == 1 ? QStringLiteral(" text box") : QStringLiteral(" text boxes"));
        {
            const auto hold = settings_.holdChanges();
            settings_.modes().setMessage(counted + QStringLiteral(". Undo removes them together."));
            end();
        }
        settings_.announce(counted);
        return;
    }
    {
        const auto hold = settings_.holdChanges();
        end();
        settings_.modes().setMessage(QString());
    }
    settings_.announce(QStringLiteral("Redact text closed without changes"));
}

void TextRedactionMode::end() {
    if (TextRedactionReview* review = settings_.modes().textRedaction()) {
        review->cancel();
        if (EditorDocument* document = review->document();
            document && document->textRedactionReview() == review)
            document->setTextRedactionReview(nullptr);
    }
    settings_.modes().setTextRedaction(nullptr);
}

} // namespace quorvane
