#include "canvas/RecognizeTextMode.h"

#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/DevicePixels.h"
#include "document/EditorDocument.h"

namespace quorvane {

Result<RecognitionImage, Error> RecognizeTextMode::image(const EditorDocument& document,
                                                         const std::optional<QRectF>& selection) {
    auto rendered = document.render();
    if (!rendered) return Failure{rendered.error()};
    if (!selection) return RecognitionImage{std::move(rendered).value(), QStringLiteral("Editor image")};

    const Error outside{QStringLiteral("Quorvane.OCR"), 1,
                        QStringLiteral("Select a non-empty area entirely inside the image.")};
    const QImage& picture = *rendered;
    const QRectF area = geom::intersection(geom::integral(geom::standardized(*selection)),
                                           QRectF(0, 0, picture.width(), picture.height()));
    // The cut must be exactly the selection: one reaching past the image comes out smaller.
    if (geom::isEmpty(area) || area.width() != geom::width(*selection) ||
        area.height() != geom::height(*selection))
        return Failure{outside};
    auto cut = DevicePixels::copy(picture, area.toRect());
    if (!cut) return Failure{outside};
    return RecognitionImage{std::move(*cut), QStringLiteral("Editor selection")};
}

void RecognizeTextMode::start() {
    settings_.finishOpenText();
    {
        const auto hold = settings_.holdChanges();
        settings_.endSmartModes();
        settings_.modes().setCropping(false);
        settings_.modes().setRecognizing(true);
        settings_.modes().setSelection(std::nullopt);
        settings_.modes().setMessage(
            QStringLiteral("Drag over the text to recognize, or press Return for the whole image."));
    }
    settings_.announce(
        QStringLiteral("Recognize text: drag over an area, or press Return for the whole image"));
}

void RecognizeTextMode::finish(EditorDocument& document) {
    if (!settings_.modes().recognizing() || !settings_.recognizeHandler) return;
    // A copy: the handler may replace itself while it runs.
    const Deliver handler = settings_.recognizeHandler;
    recognize(document, handler);
    const auto hold = settings_.holdChanges();
    settings_.modes().setRecognizing(false);
    settings_.modes().setSelection(std::nullopt);
}

void RecognizeTextMode::recognize(EditorDocument& document, const Deliver& deliver) {
    settings_.finishOpenText();
    auto result = image(document, settings_.modes().selection());
    if (!result) {
        settings_.modes().setMessage(result.error().message);
        return;
    }
    settings_.modes().setMessage(QString());
    if (deliver) deliver(result->image, result->source);
}

} // namespace quorvane
