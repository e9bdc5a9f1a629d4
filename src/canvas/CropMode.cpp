#include "canvas/CropMode.h"

#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

namespace quorvane {

void CropMode::toggle() {
    settings_.finishOpenText();
    {
        const auto hold = settings_.holdChanges();
        settings_.modes().setRecognizing(false);
        settings_.endSmartModes();
        settings_.modes().setCropping(!settings_.modes().cropping());
        settings_.modes().setSelection(std::nullopt);
        settings_.modes().setMessage(QString());
    }
    settings_.announce(settings_.modes().cropping()
                           ? QStringLiteral("Crop mode. Press an arrow key to start a selection.")
                           : QStringLiteral("Crop mode off"));
}

void CropMode::apply(EditorDocument& document) {
    settings_.finishOpenText();
    const auto& selection = settings_.modes().selection();
    if (!selection || !document.crop(*selection)) {
        settings_.modes().setMessage(QStringLiteral("Select a non-empty area entirely inside the image."));
        return;
    }
    {
        const auto hold = settings_.holdChanges();
        settings_.fitImage();
        settings_.modes().setCropping(false);
    }
    const QRectF crop = document.cropRect();
    settings_.announce(QStringLiteral("Cropped to %1 by %2 pixels")
                           .arg(static_cast<qint64>(geom::width(crop)))
                           .arg(static_cast<qint64>(geom::height(crop))));
}

} // namespace quorvane
