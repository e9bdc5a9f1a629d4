#include "canvas/PaneModes.h"

namespace quorvane {

using canvas_field::assign;

void PaneModes::setCropping(bool v) {
    assign(changes_, cropping_, v, CanvasField::cropping);
}
void PaneModes::setRecognizing(bool v) {
    assign(changes_, recognizing_, v, CanvasField::recognizing);
}
void PaneModes::setSelection(const std::optional<QRectF>& v) {
    assign(changes_, selection_, v, CanvasField::selection);
}
void PaneModes::setMessage(const QString& v) {
    assign(changes_, message_, v, CanvasField::message);
}
void PaneModes::setSelectedID(const std::optional<QUuid>& v) {
    assign(changes_, selectedID_, v, CanvasField::selectedID);
}
void PaneModes::setEditingText(bool v) {
    assign(changes_, editingText_, v, CanvasField::editingText);
}
void PaneModes::setHoverColor(const std::optional<SampledColor>& v) {
    assign(changes_, hoverColor_, v, CanvasField::hoverColor);
}
void PaneModes::setMeasurementLabel(const std::optional<QString>& v) {
    assign(changes_, measurementLabel_, v, CanvasField::measurementLabel);
}
void PaneModes::setAreaColors(const std::optional<AreaColors>& v) {
    assign(changes_, areaColors_, v, CanvasField::areaColors);
}

void PaneModes::setTextRedaction(TextRedactionReview* value) {
    if (textRedaction_ == value) return;
    if (textRedaction_) textRedaction_->deleteLater();
    if (value != nullptr) value->setParent(this);
    textRedaction_ = value;
    changes_.changed(static_cast<int>(CanvasField::textRedaction));
}

void PaneModes::emitChange(CanvasField field) {
    switch (field) {
    case CanvasField::cropping:
        Q_EMIT croppingChanged();
        break;
    case CanvasField::recognizing:
        Q_EMIT recognizingChanged();
        break;
    case CanvasField::selection:
        Q_EMIT selectionChanged();
        break;
    case CanvasField::message:
        Q_EMIT messageChanged();
        break;
    case CanvasField::selectedID:
        Q_EMIT selectedIDChanged();
        break;
    case CanvasField::editingText:
        Q_EMIT editingTextChanged();
        break;
    case CanvasField::hoverColor:
        Q_EMIT hoverColorChanged();
        break;
    case CanvasField::measurementLabel:
        Q_EMIT measurementLabelChanged();
        break;
    case CanvasField::textRedaction:
        Q_EMIT textRedactionChanged();
        break;
    case CanvasField::areaColors:
        Q_EMIT areaColorsChanged();
        break;
    default:
        break;
    }
}

} // namespace quorvane
