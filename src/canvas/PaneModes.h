#pragma once

#include "canvas/CanvasField.h"
#include "canvas/TextRedactionReview.h"
#include "imaging/SampledColor.h"
#include "recognition/AreaColors.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <optional>

namespace quorvane {

// What an editor pane is doing besides drawing: crop and recognise-text mode with their
// selection, an open Redact Text review, the selected annotation and its open text editor, the
// status message and the readouts of the Color and Ruler tools. Changes go out through the pane's
// shared batcher. GUI thread.
class PaneModes : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool cropping READ cropping WRITE setCropping NOTIFY croppingChanged)
    Q_PROPERTY(bool recognizing READ recognizing WRITE setRecognizing NOTIFY recognizingChanged)
    Q_PROPERTY(std::optional<QRectF> selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(std::optional<QUuid> selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(bool editingText READ editingText WRITE setEditingText NOTIFY editingTextChanged)
    Q_PROPERTY(
        std::optional<SampledColor> hoverColor READ hoverColor WRITE setHoverColor NOTIFY hoverColorChanged)
    Q_PROPERTY(std::optional<QString> measurementLabel READ measurementLabel WRITE setMeasurementLabel NOTIFY
                   measurementLabelChanged)
    Q_PROPERTY(TextRedactionReview* textRedaction READ textRedaction WRITE setTextRedaction NOTIFY
                   textRedactionChanged)
    Q_PROPERTY(
        std::optional<AreaColors> areaColors READ areaColors WRITE setAreaColors NOTIFY areaColorsChanged)

public:
    PaneModes(ChangeBatcher& changes, QObject* parent) : QObject(parent), changes_(changes) {}

    bool cropping() const { return cropping_; }
    bool recognizing() const { return recognizing_; }
    // Canvas pixels: image pixels relative to the crop's origin.
    const std::optional<QRectF>& selection() const { return selection_; }
    const QString& message() const { return message_; }
    const std::optional<QUuid>& selectedID() const { return selectedID_; }
    bool editingText() const { return editingText_; }
    const std::optional<SampledColor>& hoverColor() const { return hoverColor_; }
    const std::optional<QString>& measurementLabel() const { return measurementLabel_; }
    TextRedactionReview* textRedaction() const { return textRedaction_; }
    const std::optional<AreaColors>& areaColors() const { return areaColors_; }

    void setCropping(bool value);
    void setRecognizing(bool value);
    void setSelection(const std::optional<QRectF>& value);
    void setMessage(const QString& value);
    void setSelectedID(const std::optional<QUuid>& value);
    void setEditingText(bool value);
    void setHoverColor(const std::optional<SampledColor>& value);
    void setMeasurementLabel(const std::optional<QString>& value);
    // Takes ownership of the review; one that is replaced or cleared is deleted later.
    void setTextRedaction(TextRedactionReview* value);
    void setAreaColors(const std::optional<AreaColors>& value);

    // Sends the signal of one of this object's fields.
    void emitChange(CanvasField field);

Q_SIGNALS:
    void croppingChanged();
    void recognizingChanged();
    void selectionChanged();
    void messageChanged();
    void selectedIDChanged();
    void editingTextChanged();
    void hoverColorChanged();
    void measurementLabelChanged();
    void textRedactionChanged();
    // The open review's boxes, state or options changed.
    void textRedactionReviewChanged();
    void areaColorsChanged();

private:
    ChangeBatcher& changes_;
    bool cropping_ = false;
    bool recognizing_ = false;
    std::optional<QRectF> selection_;
    QString message_;
    std::optional<QUuid> selectedID_;
    bool editingText_ = false;
    std::optional<SampledColor> hoverColor_;
    std::optional<QString> measurementLabel_;
    QPointer<TextRedactionReview> textRedaction_;
    std::optional<AreaColors> areaColors_;
};

} // namespace quorvane
