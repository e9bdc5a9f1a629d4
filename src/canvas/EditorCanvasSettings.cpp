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

EditorCanvasSettings::EditorCanvasSettings(QObject* parent) : QObject(parent) {}

void EditorCanvasSettings::emitChange(int field) {
    const auto which = static_cast<CanvasField>(field);
    switch (which) {
    case CanvasField::fit:
    case CanvasField::zoomFraction:
    case CanvasField::pan:
    case CanvasField::pixelated:
        viewport_.emitChange(which);
        break;
    case CanvasField::tool:
    case CanvasField::color:
    case CanvasField::strokeWidth:
    case CanvasField::fill:
    case CanvasField::measurementUnit:
    case CanvasField::spotlightOval:
    case CanvasField::magnification:
    case CanvasField::bracketKind:
    case CanvasField::arrowCurved:
    case CanvasField::fontPoints:
        style_.emitChange(which);
        break;
    case CanvasField::cropping:
    case CanvasField::selection:
    case CanvasField::message:
    case CanvasField::selectedID:
    case CanvasField::editingText:
    case CanvasField::hoverColor:
    case CanvasField::measurementLabel:
    case CanvasField::textRedaction:
    case CanvasField::areaColors:
    case CanvasField::recognizing:
        modes_.emitChange(which);
        break;
    }
}

void EditorCanvasSettings::finishOpenText() {
    if (finishText) finishText();
}

QString EditorCanvasSettings::arrowSymbol() const {
    for (const ArrowChoice& choice : arrowChoices())
        if (choice.curved == style_.arrowCurved()) return choice.symbol;
    return QStringLiteral("arrow.up.right");
}

QString EditorCanvasSettings::bracketGlyph() const {
    for (const BracketChoice& choice : bracketChoices())
        if (choice.kind == style_.bracketKind()) return choice.glyph;
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
        const ToolTable::Row* row = ToolTable::find(name);
        if (row == nullptr || row->tool != ToolTable::Tool::select) modes_.setSelectedID(std::nullopt);
        modes_.setRecognizing(false);
        endSmartModes();
        // Leaving Redact or Highlight drops the selection too.
        if (name != style_.tool() && toolColor(style_.tool())) modes_.setSelectedID(std::nullopt);
        style_.switchTool(name);
        modes_.setCropping(false);
        modes_.setSelection(std::nullopt);
        modes_.setMessage(QString());
    }
    announce(name + QStringLiteral(" tool"));
}

void EditorCanvasSettings::choose(ToolTable::Tool tool) {
    choose(ToolTable::name(tool));
}

void EditorCanvasSettings::select(const std::optional<Annotation>& annotation) {
    const auto hold = holdChanges();
    modes_.setSelectedID(annotation ? std::optional<QUuid>(annotation->id) : std::nullopt);
    if (!annotation) return;
    style_.setColor(annotation->color);
    style_.setStrokeWidth(annotation->strokeWidth);
    if (annotation->kind == AnnotationKind::spotlight) {
        // A spotlight's fill flag is its oval shape.
        style_.setSpotlightOval(annotation->fill);
        return;
    }
    style_.setFill(annotation->fill);
    if (annotation->kind == AnnotationKind::text || annotation->kind == AnnotationKind::counter)
        style_.setFontPoints(std::round(annotation->fontSize / style_.pixelScale()));
}

void EditorCanvasSettings::applyStyle(EditorDocument& document) {
    if (!modes_.selectedID()) return;
    const auto& list = document.annotations();
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const Annotation& a) { return a.id == *modes_.selectedID(); });
    if (found == list.end()) return;
    Annotation copy = *found;
    copy.color = style_.color();
    copy.strokeWidth = style_.strokeWidth();
    if (copy.kind != AnnotationKind::spotlight) copy.fill = style_.fill();
    if (copy.kind == AnnotationKind::text) copy.fontSize = style_.fontPoints() * style_.pixelScale();
    if (copy.kind == AnnotationKind::counter) {
        const double size = style_.fontPoints() * style_.pixelScale();
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
    if (const auto kind = style_.drawingKind()) return disabled(*kind);
    if (!modes_.selectedID()) return false;
    for (const Annotation& a : document.annotations())
        if (a.id == *modes_.selectedID()) return disabled(a.kind);
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
    viewport_.setFit(true);
    viewport_.setPan(QPointF());
    modes_.setSelection(std::nullopt);
    modes_.setMessage(QString());
}

void EditorCanvasSettings::startRecognizing() {
    RecognizeTextMode(*this).start();
}

void EditorCanvasSettings::finishRecognizing(EditorDocument& document) {
    RecognizeTextMode(*this).finish(document);
}

Result<EditorCanvasSettings::RecognitionImage, Error>
EditorCanvasSettings::recognitionImage(const EditorDocument& document) const {
    return RecognizeTextMode::image(document, modes_.selection());
}

void EditorCanvasSettings::recognizeText(EditorDocument& document,
                                         const std::function<void(const QImage&, const QString&)>& deliver) {
    RecognizeTextMode(*this).recognize(document, deliver);
}

void EditorCanvasSettings::toggleArrowStyle() {
    style_.setArrowCurved(!style_.arrowCurved());
    announce(style_.arrowCurved() ? QStringLiteral("Curved arrow") : QStringLiteral("Straight arrow"));
}

void EditorCanvasSettings::cycleBracket() {
    const auto& choices = bracketChoices();
    std::size_t index = 0;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].kind == style_.bracketKind()) index = i;
    const BracketChoice& next = choices[(index + 1) % choices.size()];
    style_.setBracketKind(next.kind);
    announce(QStringLiteral("Bracket: ") + next.name);
}

void EditorCanvasSettings::endSmartModes() {
    const auto hold = holdChanges();
    if (TextRedactionReview* review = modes_.textRedaction()) {
        review->cancel();
        if (EditorDocument* document = review->document();
            document && document->textRedactionReview() == review)
            document->setTextRedactionReview(nullptr);
    }
    modes_.setTextRedaction(nullptr);
    modes_.setAreaColors(std::nullopt);
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
    if (!modes_.selectedID()) return std::nullopt;
    for (const Annotation& a : document.annotations())
        if (a.id == *modes_.selectedID()) return a.kind == kind ? std::optional<Annotation>(a) : std::nullopt;
    return std::nullopt;
}

void EditorCanvasSettings::setSpotlightOval(bool oval, EditorDocument& document) {
    style_.setSpotlightOval(oval);
    if (auto spotlight = selected(AnnotationKind::spotlight, document)) {
        spotlight->fill = oval;
        document.updateAnnotation(*spotlight);
    }
}

void EditorCanvasSettings::setMagnification(double value, EditorDocument& document) {
    style_.setMagnification(value);
    if (auto magnifier = selected(AnnotationKind::magnifier, document)) {
        magnifier->magnification = value;
        document.updateAnnotation(*magnifier);
    }
}

} // namespace quorvane
