#include "canvas/EditorCanvasSettings.h"

#include "canvas/CropMode.h"
#include "canvas/RecognizeTextMode.h"
#include "canvas/TextRedactionMode.h"
#include "canvas/ToolAnnotationFactory.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"

#include <cmath>
#include <utility>

namespace quorvane {
namespace {

bool same(const QPointF& a, const QPointF& b) {
    return geom::exactlyEqual(a, b);
}
bool same(const std::optional<QRectF>& a, const std::optional<QRectF>& b) {
    return a.has_value() == b.has_value() && (!a || geom::exactlyEqual(*a, *b));
}
template<class T>
bool same(const T& a, const T& b) {
    return a == b;
}

} // namespace

const QStringList& EditorCanvasSettings::tools() {
    return ToolTable::names();
}

std::optional<QString> EditorCanvasSettings::toolForKey(QChar key) {
    const ToolTable::Row* row = ToolTable::forKey(key);
    return row != nullptr ? std::optional<QString>(row->name) : std::nullopt;
}

std::optional<QColor> EditorCanvasSettings::toolColor(const QString& tool) {
    const ToolTable::Row* row = ToolTable::find(tool);
    return row != nullptr ? row->color : std::nullopt;
}

QString EditorCanvasSettings::toolTitle(const QString& tool) {
    return ToolTable::title(tool);
}

std::optional<QString> EditorCanvasSettings::toolNote(const QString& tool) {
    const ToolTable::Row* row = ToolTable::find(tool);
    return row != nullptr ? row->note : std::nullopt;
}

const QStringList& EditorCanvasSettings::annotationTools() {
    return ToolAnnotationFactory::tools();
}

const std::array<EditorCanvasSettings::ArrowChoice, 2>& EditorCanvasSettings::arrowChoices() {
    return ToolTable::arrowChoices();
}

const std::array<EditorCanvasSettings::BracketChoice, 4>& EditorCanvasSettings::bracketChoices() {
    return ToolTable::bracketChoices();
}

EditorCanvasSettings::EditorCanvasSettings(QObject* parent) : QObject(parent), color_(SystemColors::red()) {}

template<class T>
void EditorCanvasSettings::assign(T& field, const T& value, Field which) {
    if (same(field, value)) return;
    field = value;
    changes_.changed(static_cast<int>(which));
}

void EditorCanvasSettings::emitChange(int field) {
    using Signal = void (EditorCanvasSettings::*)();
    // In the order of Field.
    static constexpr std::array<Signal, fieldCount> signals = {
        &EditorCanvasSettings::fitChanged,           &EditorCanvasSettings::zoomFractionChanged,
        &EditorCanvasSettings::panChanged,           &EditorCanvasSettings::croppingChanged,
        &EditorCanvasSettings::selectionChanged,     &EditorCanvasSettings::messageChanged,
        &EditorCanvasSettings::pixelatedChanged,     &EditorCanvasSettings::toolChanged,
        &EditorCanvasSettings::colorChanged,         &EditorCanvasSettings::strokeWidthChanged,
        &EditorCanvasSettings::fillChanged,          &EditorCanvasSettings::selectedIDChanged,
        &EditorCanvasSettings::editingTextChanged,   &EditorCanvasSettings::measurementUnitChanged,
        &EditorCanvasSettings::hoverColorChanged,    &EditorCanvasSettings::measurementLabelChanged,
        &EditorCanvasSettings::textRedactionChanged, &EditorCanvasSettings::areaColorsChanged,
        &EditorCanvasSettings::spotlightOvalChanged, &EditorCanvasSettings::magnificationChanged,
        &EditorCanvasSettings::bracketKindChanged,   &EditorCanvasSettings::arrowCurvedChanged,
        &EditorCanvasSettings::fontPointsChanged,    &EditorCanvasSettings::recognizingChanged,
    };
    Q_EMIT(this->*signals[static_cast<std::size_t>(field)])();
}

void EditorCanvasSettings::setFit(bool v) {
    assign(fit_, v, Field::fit);
}
void EditorCanvasSettings::setZoomFraction(double v) {
    assign(zoomFraction_, v, Field::zoomFraction);
}
void EditorCanvasSettings::setPan(const QPointF& v) {
    assign(pan_, v, Field::pan);
}
void EditorCanvasSettings::setCropping(bool v) {
    assign(cropping_, v, Field::cropping);
}
void EditorCanvasSettings::setSelection(const std::optional<QRectF>& v) {
    assign(selection_, v, Field::selection);
}
void EditorCanvasSettings::setMessage(const QString& v) {
    assign(message_, v, Field::message);
}
void EditorCanvasSettings::setPixelated(bool v) {
    assign(pixelated_, v, Field::pixelated);
}
void EditorCanvasSettings::setTool(const QString& v) {
    // The kind is in place before the change signal fires.
    const ToolTable::Row* row = ToolTable::find(v);
    toolKind_ = row != nullptr ? std::optional(row->tool) : std::nullopt;
    assign(tool_, v, Field::tool);
}
void EditorCanvasSettings::setColor(const QColor& v) {
    assign(color_, v, Field::color);
}
void EditorCanvasSettings::setStrokeWidth(double v) {
    assign(strokeWidth_, v, Field::strokeWidth);
}
void EditorCanvasSettings::setFill(bool v) {
    assign(fill_, v, Field::fill);
}
void EditorCanvasSettings::setSelectedID(const std::optional<QUuid>& v) {
    assign(selectedID_, v, Field::selectedID);
}
void EditorCanvasSettings::setEditingText(bool v) {
    assign(editingText_, v, Field::editingText);
}
void EditorCanvasSettings::setMeasurementUnit(MeasurementUnit v) {
    assign(measurementUnit_, v, Field::measurementUnit);
}
void EditorCanvasSettings::setHoverColor(const std::optional<SampledColor>& v) {
    assign(hoverColor_, v, Field::hoverColor);
}
void EditorCanvasSettings::setMeasurementLabel(const std::optional<QString>& v) {
    assign(measurementLabel_, v, Field::measurementLabel);
}
void EditorCanvasSettings::setAreaColors(const std::optional<AreaColors>& v) {
    assign(areaColors_, v, Field::areaColors);
}
void EditorCanvasSettings::setSpotlightOval(bool v) {
    assign(spotlightOval_, v, Field::spotlightOval);
}
void EditorCanvasSettings::setMagnification(double v) {
    assign(magnification_, v, Field::magnification);
}
void EditorCanvasSettings::setBracketKind(AnnotationKind v) {
    assign(bracketKind_, v, Field::bracketKind);
}
void EditorCanvasSettings::setArrowCurved(bool v) {
    assign(arrowCurved_, v, Field::arrowCurved);
}
void EditorCanvasSettings::setFontPoints(double v) {
    assign(fontPoints_, v, Field::fontPoints);
}
void EditorCanvasSettings::setRecognizing(bool v) {
    assign(recognizing_, v, Field::recognizing);
}

void EditorCanvasSettings::setTextRedaction(TextRedactionReview* value) {
    if (textRedaction_ == value) return;
    if (textRedaction_) textRedaction_->deleteLater();
    if (value != nullptr) value->setParent(this);
    textRedaction_ = value;
    changes_.changed(static_cast<int>(Field::textRedaction));
}

void EditorCanvasSettings::finishOpenText() {
    if (finishText) finishText();
}

std::optional<AnnotationKind> EditorCanvasSettings::drawingKind() const {
    return toolKind_ ? ToolTable::drawingKind(*toolKind_, bracketKind_) : std::nullopt;
}

QString EditorCanvasSettings::arrowSymbol() const {
    for (const ArrowChoice& choice : arrowChoices())
        if (choice.curved == arrowCurved_) return choice.symbol;
    return QStringLiteral("arrow.up.right");
}

QString EditorCanvasSettings::bracketGlyph() const {
    for (const BracketChoice& choice : bracketChoices())
        if (choice.kind == bracketKind_) return choice.glyph;
    return QStringLiteral("[");
}

void EditorCanvasSettings::announce(const QString& text) {
    lastAnnouncement_ = text;
    Q_EMIT announcementRequested(text);
}

void EditorCanvasSettings::choose(const QString& name) {
    finishOpenText();
    {
        const auto hold = holdChanges();
        if (name != QLatin1String("Select")) setSelectedID(std::nullopt);
        setRecognizing(false);
        endSmartModes();
        if (name != tool_) {
            // Leaving Redact or Highlight gives back the colour the user had before.
            if (toolColor(tool_)) {
                setSelectedID(std::nullopt);
                if (drawingColor_) setColor(*std::exchange(drawingColor_, std::nullopt));
            }
            if (const auto own = toolColor(name)) {
                drawingColor_ = color_;
                setColor(*own);
            }
        }
        setTool(name);
        setCropping(false);
        setSelection(std::nullopt);
        setMessage(QString());
    }
    announce(name + QStringLiteral(" tool"));
}

void EditorCanvasSettings::choose(ToolTable::Tool tool) {
    choose(ToolTable::name(tool));
}

void EditorCanvasSettings::select(const std::optional<Annotation>& annotation) {
    const auto hold = holdChanges();
    setSelectedID(annotation ? std::optional<QUuid>(annotation->id) : std::nullopt);
    if (!annotation) return;
    setColor(annotation->color);
    setStrokeWidth(annotation->strokeWidth);
    if (annotation->kind == AnnotationKind::spotlight) {
        // A spotlight's fill flag is its oval shape.
        setSpotlightOval(annotation->fill);
        return;
    }
    setFill(annotation->fill);
    if (annotation->kind == AnnotationKind::text || annotation->kind == AnnotationKind::counter)
        setFontPoints(std::round(annotation->fontSize / pixelScale_));
}

void EditorCanvasSettings::applyStyle(EditorDocument& document) {
    if (!selectedID_) return;
    const auto& list = document.annotations();
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const Annotation& a) { return a.id == *selectedID_; });
    if (found == list.end()) return;
    Annotation copy = *found;
    copy.color = color_;
    copy.strokeWidth = strokeWidth_;
    if (copy.kind != AnnotationKind::spotlight) copy.fill = fill_;
    if (copy.kind == AnnotationKind::text) copy.fontSize = fontPoints_ * pixelScale_;
    if (copy.kind == AnnotationKind::counter) {
        const double size = fontPoints_ * pixelScale_;
        if (size != copy.fontSize) {
            copy.fontSize = size;
            copy.rect = ToolAnnotationFactory::counterRect(copy.rect.center(), size);
        }
    }
    if (!(copy == *found)) document.updateAnnotation(copy);
}

bool EditorCanvasSettings::strokeAndFillDisabled(const EditorDocument& document) const {
    const auto disabled = [](AnnotationKind kind) {
        return isEffectKind(kind) || kind == AnnotationKind::highlight || kind == AnnotationKind::spotlight;
    };
    if (const auto kind = drawingKind()) return disabled(*kind);
    if (!selectedID_) return false;
    for (const Annotation& a : document.annotations())
        if (a.id == *selectedID_) return disabled(a.kind);
    return false;
}

void EditorCanvasSettings::toggleCrop() {
    CropMode(*this).toggle();
}

void EditorCanvasSettings::applyCrop(EditorDocument& document) {
    CropMode(*this).apply(document);
}

void EditorCanvasSettings::fitImage() {
    const auto hold = holdChanges();
    setFit(true);
    setPan(QPointF());
    setSelection(std::nullopt);
    setMessage(QString());
}

void EditorCanvasSettings::startRecognizing() {
    RecognizeTextMode(*this).start();
}

void EditorCanvasSettings::finishRecognizing(EditorDocument& document) {
    RecognizeTextMode(*this).finish(document);
}

Result<EditorCanvasSettings::RecognitionImage, Error>
EditorCanvasSettings::recognitionImage(const EditorDocument& document) const {
    return RecognizeTextMode::image(document, selection_);
}

void EditorCanvasSettings::recognizeText(EditorDocument& document,
                                         const std::function<void(const QImage&, const QString&)>& deliver) {
    RecognizeTextMode(*this).recognize(document, deliver);
}

void EditorCanvasSettings::toggleArrowStyle() {
    setArrowCurved(!arrowCurved_);
    announce(arrowCurved_ ? QStringLiteral("Curved arrow") : QStringLiteral("Straight arrow"));
}

void EditorCanvasSettings::cycleBracket() {
    const auto& choices = bracketChoices();
    std::size_t index = 0;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].kind == bracketKind_) index = i;
    const BracketChoice& next = choices[(index + 1) % choices.size()];
    setBracketKind(next.kind);
    announce(QStringLiteral("Bracket: ") + next.name);
}

void EditorCanvasSettings::endSmartModes() {
    const auto hold = holdChanges();
    if (TextRedactionReview* review = textRedaction_) {
        review->cancel();
        if (EditorDocument* document = review->document();
            document && document->textRedactionReview() == review)
            document->setTextRedactionReview(nullptr);
    }
    setTextRedaction(nullptr);
    setAreaColors(std::nullopt);
}

void EditorCanvasSettings::startTextRedaction(EditorDocument& document,
                                              const TextRedactionController::Recognize& recognize) {
    TextRedactionMode(*this).start(document, recognize);
}

void EditorCanvasSettings::finishTextRedaction(bool apply) {
    TextRedactionMode(*this).finish(apply);
}

std::optional<Annotation> EditorCanvasSettings::toolAnnotation(AnnotationKind kind, const QRectF& rect,
                                                               const EditorDocument& document) const {
    return ToolAnnotationFactory(*this).make(kind, rect, document);
}

std::optional<Annotation> EditorCanvasSettings::selected(AnnotationKind kind,
                                                         const EditorDocument& document) const {
    if (!selectedID_) return std::nullopt;
    for (const Annotation& a : document.annotations())
        if (a.id == *selectedID_) return a.kind == kind ? std::optional<Annotation>(a) : std::nullopt;
    return std::nullopt;
}

void EditorCanvasSettings::setSpotlightOval(bool oval, EditorDocument& document) {
    setSpotlightOval(oval);
    if (auto spotlight = selected(AnnotationKind::spotlight, document)) {
        spotlight->fill = oval;
        document.updateAnnotation(*spotlight);
    }
}

void EditorCanvasSettings::setMagnification(double value, EditorDocument& document) {
    setMagnification(value);
    if (auto magnifier = selected(AnnotationKind::magnifier, document)) {
        magnifier->magnification = value;
        document.updateAnnotation(*magnifier);
    }
}

} // namespace quorvane
