#pragma once

#include "canvas/ChangeBatcher.h"
#include "canvas/MeasurementUnit.h"
#include "canvas/RecognitionImage.h"
#include "canvas/TextRedactionController.h"
#include "canvas/TextRedactionReview.h"
#include "canvas/ToolTable.h"
#include "core/Error.h"
#include "core/Result.h"
#include "document/Annotation.h"
#include "imaging/SampledColor.h"
#include "recognition/AreaColors.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <array>
#include <functional>
#include <optional>

namespace quorvane {

class EditorDocument;

// The tool state of one editor pane: the tool and its style controls, zoom and pan, the crop and
// recognise-text modes, the selection, the status message and the last announcement. The tool
// bar and status bar bind to its fields.
//
// Each operation changes its fields as one whole: the change signals fire once it is complete (in
// field order, each once), so an observer that writes the style back, such as the pane restyling
// the selected annotation on a colour change, never sees a half-loaded style. GUI thread only.
//
// The work lives beside it: the tool table (ToolTable), the tools' annotations
// (ToolAnnotationFactory), crop and recognise-text mode (CropMode, RecognizeTextMode) and the
// holding back of signals (ChangeBatcher); this object keeps the fields and the operations the
// chrome calls.
class EditorCanvasSettings : public QObject {
    Q_OBJECT

public:
    using ArrowChoice = ToolTable::ArrowChoice;
    using BracketChoice = ToolTable::BracketChoice;
    using RecognitionImage = quorvane::RecognitionImage;

    // In tool-bar order.
    static const QStringList& tools();
    // The tool a one-letter lower-case key chooses; the crop key is not one of them.
    static std::optional<QString> toolForKey(QChar key);
    // The default colour of tools that have one (Redact, Highlight).
    static std::optional<QColor> toolColor(const QString& tool);
    // "Arrow (A)"; a name without a key comes back unchanged.
    static QString toolTitle(const QString& tool);
    static std::optional<QString> toolNote(const QString& tool);
    // The tools whose annotations the tool-annotation factory builds.
    static const QStringList& annotationTools();
    static const std::array<ArrowChoice, 2>& arrowChoices();
    static const std::array<BracketChoice, 4>& bracketChoices();
    static constexpr std::array<int, 7> textSizes = {12, 14, 18, 24, 32, 48, 64};

    explicit EditorCanvasSettings(QObject* parent = nullptr);

    bool fit() const { return fit_; }
    // Device pixels per image pixel when not fitting.
    double zoomFraction() const { return zoomFraction_; }
    QPointF pan() const { return pan_; }
    bool cropping() const { return cropping_; }
    // Canvas pixels: image pixels relative to the crop's origin.
    const std::optional<QRectF>& selection() const { return selection_; }
    const QString& message() const { return message_; }
    bool pixelated() const { return pixelated_; }
    const QString& tool() const { return tool_; }
    // The current tool as a kind; none for a name that is not a tool.
    std::optional<ToolTable::Tool> toolKind() const { return toolKind_; }
    QColor color() const { return color_; }
    // The user's colour, kept while a tool with a colour of its own is active.
    const std::optional<QColor>& drawingColor() const { return drawingColor_; }
    double strokeWidth() const { return strokeWidth_; }
    bool fill() const { return fill_; }
    const std::optional<QUuid>& selectedID() const { return selectedID_; }
    bool editingText() const { return editingText_; }
    const std::optional<QString>& lastAnnouncement() const { return lastAnnouncement_; }
    MeasurementUnit measurementUnit() const { return measurementUnit_; }
    const std::optional<SampledColor>& hoverColor() const { return hoverColor_; }
    const std::optional<QString>& measurementLabel() const { return measurementLabel_; }
    TextRedactionReview* textRedaction() const { return textRedaction_; }
    const std::optional<AreaColors>& areaColors() const { return areaColors_; }
    bool spotlightOval() const { return spotlightOval_; }
    double magnification() const { return magnification_; }
    AnnotationKind bracketKind() const { return bracketKind_; }
    bool arrowCurved() const { return arrowCurved_; }
    double fontPoints() const { return fontPoints_; }
    // Pixels per point of the document.
    double pixelScale() const { return pixelScale_; }
    bool recognizing() const { return recognizing_; }

    void setFit(bool value);
    void setZoomFraction(double value);
    void setPan(const QPointF& value);
    void setCropping(bool value);
    void setSelection(const std::optional<QRectF>& value);
    void setMessage(const QString& value);
    void setPixelated(bool value);
    void setTool(const QString& value);
    void setColor(const QColor& value);
    void setStrokeWidth(double value);
    void setFill(bool value);
    void setSelectedID(const std::optional<QUuid>& value);
    void setEditingText(bool value);
    void setMeasurementUnit(MeasurementUnit value);
    void setHoverColor(const std::optional<SampledColor>& value);
    void setMeasurementLabel(const std::optional<QString>& value);
    // Takes ownership of the review; one that is replaced or cleared is deleted later.
    void setTextRedaction(TextRedactionReview* value);
    void setAreaColors(const std::optional<AreaColors>& value);
    void setSpotlightOval(bool value);
    void setMagnification(double value);
    void setBracketKind(AnnotationKind value);
    void setArrowCurved(bool value);
    void setFontPoints(double value);
    void setPixelScale(double value) { pixelScale_ = value; }
    void setRecognizing(bool value);

    // Installed by the in-place text editor: commits the open text.
    std::function<void()> finishText;
    // Whether drawing should use stronger contrast; off unless the desktop hook says otherwise.
    std::function<bool()> increaseContrast = [] { return false; };
    // Receives the image to recognise and its source label; installed by the pane.
    std::function<void(const QImage&, const QString&)> recognizeHandler;

    // The annotation kind the current tool draws, none for Pan, Select, Color and Ruler.
    std::optional<AnnotationKind> drawingKind() const;
    QString arrowSymbol() const;
    QString bracketGlyph() const;

    // Remembers `text` and asks the pane to speak it.
    void announce(const QString& text);
    // Commits an open in-place text editor; operations that switch tools or modes begin with it.
    void finishOpenText();
    // Holds back the change signals until the returned hold and every outer one have ended, so
    // that an operation elsewhere can change several fields as one whole.
    [[nodiscard]] ChangeBatcher::Hold holdChanges() { return ChangeBatcher::Hold(changes_); }

    void choose(const QString& tool);
    void choose(ToolTable::Tool tool);
    // Selects `annotation` (none clears the selection) and loads its style into the controls.
    void select(const std::optional<Annotation>& annotation);
    // Writes the controls' style into the selected annotation, as one undo step when it changes.
    void applyStyle(EditorDocument& document);
    bool strokeAndFillDisabled(const EditorDocument& document) const;
    void toggleCrop();
    void applyCrop(EditorDocument& document);
    void fitImage();
    void startRecognizing();
    void finishRecognizing(EditorDocument& document);
    // The rendered document, cut to the selection when there is one. Error "Quorvane.OCR" code 1
    // when the selection does not lie entirely inside the image.
    Result<RecognitionImage, Error> recognitionImage(const EditorDocument& document) const;
    void recognizeText(EditorDocument& document,
                       const std::function<void(const QImage&, const QString&)>& deliver);
    void toggleArrowStyle();
    void cycleBracket();
    // Cancels an open Redact Text review and clears the area colours.
    void endSmartModes();
    // Opens a Redact Text review of the selection or the whole image; `recognize` is the
    // composition root's recogniser, in automatic language.
    void startTextRedaction(EditorDocument& document, const TextRedactionController::Recognize& recognize);
    // Applies and/or closes the open review.
    void finishTextRedaction(bool apply);

    // A new freehand, highlight, spotlight, counter or magnifier annotation built from `rect`
    // (base-image pixels) with the current style; none for other kinds.
    std::optional<Annotation> toolAnnotation(AnnotationKind kind, const QRectF& rect,
                                             const EditorDocument& document) const;
    // The selected annotation when it is of `kind`.
    std::optional<Annotation> selected(AnnotationKind kind, const EditorDocument& document) const;
    // The tool setting and a selected spotlight or magnifier together.
    void setSpotlightOval(bool oval, EditorDocument& document);
    void setMagnification(double value, EditorDocument& document);

Q_SIGNALS:
    void fitChanged();
    void zoomFractionChanged();
    void panChanged();
    void croppingChanged();
    void selectionChanged();
    void messageChanged();
    void pixelatedChanged();
    void toolChanged();
    void colorChanged();
    void strokeWidthChanged();
    void fillChanged();
    void selectedIDChanged();
    void editingTextChanged();
    void measurementUnitChanged();
    void hoverColorChanged();
    void measurementLabelChanged();
    void textRedactionChanged();
    // The open review's boxes, state or options changed.
    void textRedactionReviewChanged();
    void areaColorsChanged();
    void spotlightOvalChanged();
    void magnificationChanged();
    void bracketKindChanged();
    void arrowCurvedChanged();
    void fontPointsChanged();
    void recognizingChanged();
    // For the canvas to pass on to assistive technology at high priority.
    void announcementRequested(const QString& text);

private:
    enum class Field {
        fit,
        zoomFraction,
        pan,
        cropping,
        selection,
        message,
        pixelated,
        tool,
        color,
        strokeWidth,
        fill,
        selectedID,
        editingText,
        measurementUnit,
        hoverColor,
        measurementLabel,
        textRedaction,
        areaColors,
        spotlightOval,
        magnification,
        bracketKind,
        arrowCurved,
        fontPoints,
        recognizing,
    };
    static constexpr int fieldCount = static_cast<int>(Field::recognizing) + 1;

    template<class T>
    void assign(T& field, const T& value, Field which);
    void emitChange(int field);

    bool fit_ = true;
    double zoomFraction_ = 1.0;
    QPointF pan_;
    bool cropping_ = false;
    std::optional<QRectF> selection_;
    QString message_;
    bool pixelated_ = false;
    QString tool_ = QStringLiteral("Pan");
    std::optional<ToolTable::Tool> toolKind_ = ToolTable::Tool::pan;
    QColor color_;
    std::optional<QColor> drawingColor_;
    double strokeWidth_ = 3.0;
    bool fill_ = false;
    std::optional<QUuid> selectedID_;
    bool editingText_ = false;
    std::optional<QString> lastAnnouncement_;
    MeasurementUnit measurementUnit_ = MeasurementUnit::pixels;
    std::optional<SampledColor> hoverColor_;
    std::optional<QString> measurementLabel_;
    QPointer<TextRedactionReview> textRedaction_;
    std::optional<AreaColors> areaColors_;
    bool spotlightOval_ = false;
    double magnification_ = 2.0;
    AnnotationKind bracketKind_ = AnnotationKind::bracketOpen;
    bool arrowCurved_ = false;
    double fontPoints_ = 18.0;
    double pixelScale_ = 1.0;
    bool recognizing_ = false;

    ChangeBatcher changes_{[this](int field) { emitChange(field); }};
};

} // namespace quorvane
