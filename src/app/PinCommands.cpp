#include "app/PinCommands.h"

#include "capture/CaptureController.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "export/ExportController.h"
#include "panels/PinController.h"

namespace quorvane {

PinCommands::PinCommands(PinController& pins, CaptureController& captures, ExportController& exporter,
                         Required<void()> commitEditing, QObject* parent)
    : QObject(parent), pins_(pins), captures_(captures), exporter_(exporter),
      commitEditing_(std::move(commitEditing)) {
    connect(&pins_, &PinController::editRequested, this,
            [this](const QImage& image) { captures_.reopenImage(image); });
}

void PinCommands::pinScreenshot() {
    EditorDocument* document = captures_.document();
    if (document == nullptr || exporter_.refusesExport(document)) return;
    commitEditing_();
    auto image = EditorDocument::renderOutput(document->output(document->annotations()));
    if (!image) {
        Q_EMIT confirmation(QStringLiteral("Pin failed: ") + image.error().message);
        return;
    }
    // Where it was captured, unless the crop moved the image away from there.
    const QRectF whole(QPointF(0, 0), QSizeF(document->base()->image().size()));
    const std::optional<QRectF> near =
        geom::exactlyEqual(document->cropRect(), whole) ? captures_.lastCaptureFrame() : std::nullopt;
    pins_.pin(*image, near);
    Log::app().log("Pinned {}x{} px", image->width(), image->height());
}

void PinCommands::closeAllPins() {
    pins_.closeAll();
}

bool PinCommands::pinsOpen() const {
    return !pins_.panels().empty();
}

} // namespace quorvane
