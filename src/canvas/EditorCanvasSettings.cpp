#include "canvas/EditorCanvasSettings.h"

#include "core/Geometry.h"
#include "document/DevicePixels.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"

#include <bit>
#include <cmath>
#include <utility>

namespace quorvane {
namespace {

struct ToolRow {
    QString name;
    QChar key;
    std::optional<QString> note;
};

const QString effectNote =
    QStringLiteral("Visual effect only — not a privacy guarantee. Use Redact for sensitive information.");

const std::vector<ToolRow>& toolTable() {
    static const std::vector<ToolRow> table = {
        {QStringLiteral("Pan"), QLatin1Char('h'), std::nullopt},
        {QStringLiteral("Select"), QLatin1Char('v'), std::nullopt},
        {QStringLiteral("Arrow"), QLatin1Char('a'),
         QStringLiteral("Drag from start to point. A switches straight and curved; drag the round handle to "
                        "adjust a curve.")},
        {QStringLiteral("Rectangle"), QLatin1Char('r'), std::nullopt},
        {QStringLiteral("Oval"), QLatin1Char('o'), std::nullopt},
        {QStringLiteral("Bracket"), QLatin1Char('k'),
         QStringLiteral(
             "Drag along what you want to bracket — it snaps vertical or horizontal. K switches [ ] { }.")},
        {QStringLiteral("Text"), QLatin1Char('t'), std::nullopt},
        {QStringLiteral("Freehand"), QLatin1Char('f'), std::nullopt},
        {QStringLiteral("Highlight"), QLatin1Char('g'), std::nullopt},
        {QStringLiteral("Spotlight"), QLatin1Char('s'), std::nullopt},
        {QStringLiteral("Counter"), QLatin1Char('n'), std::nullopt},
        {QStringLiteral("Magnifier"), QLatin1Char('z'), std::nullopt},
        {QStringLiteral("Redact"), QLatin1Char('x'),
         QStringLiteral("Opaque cover for sensitive information")},
        {QStringLiteral("Blur"), QLatin1Char('b'), effectNote},
        {QStringLiteral("Pixelate"), QLatin1Char('p'), effectNote},
        {QStringLiteral("Erase"), QLatin1Char('e'),
         QStringLiteral("Covers an object on a plain background with the background color — not a privacy "
                        "guarantee.")},
        {QStringLiteral("Color"), QLatin1Char('i'),
         QStringLiteral(
             "Click to copy the color as HEX; drag to copy an area's average; Option copies RGB.")},
        {QStringLiteral("Ruler"), QLatin1Char('m'),
         QStringLiteral("Hover to measure edge to edge; drag to measure; Shift locks the axis; Esc clears.")},
    };
    return table;
}

const ToolRow* row(const QString& tool) {
    for (const ToolRow& r : toolTable())
        if (r.name == tool) return &r;
    return nullptr;
}

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

QRectF squareAround(const QPointF& centre, double side) {
    return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
}

} // namespace

const QStringList& EditorCanvasSettings::tools() {
    static const QStringList names = [] {
        QStringList list;
        for (const ToolRow& r : toolTable())
            list << r.name;
        return list;
    }();
    return names;
}

std::optional<QString> EditorCanvasSettings::toolForKey(QChar key) {
    for (const ToolRow& r : toolTable())
        if (r.key == key) return r.name;
    return std::nullopt;
}

std::optional<QColor> EditorCanvasSettings::toolColor(const QString& tool) {
    if (tool == QLatin1String("Redact")) return QColor(Qt::black);
    if (tool == QLatin1String("Highlight")) return SystemColors::yellow();
    return std::nullopt;
}

QString EditorCanvasSettings::toolTitle(const QString& tool) {
    const ToolRow* r = row(tool);
    if (r == nullptr) return tool;
    return tool + QStringLiteral(" (") + r->key.toUpper() + QStringLiteral(")");
}

std::optional<QString> EditorCanvasSettings::toolNote(const QString& tool) {
    const ToolRow* r = row(tool);
    return r != nullptr ? r->note : std::nullopt;
}

const QStringList& EditorCanvasSettings::annotationTools() {
    static const QStringList names = {QStringLiteral("Freehand"), QStringLiteral("Highlight"),
                                      QStringLiteral("Spotlight"), QStringLiteral("Counter"),
                                      QStringLiteral("Magnifier")};
    return names;
}

const std::array<EditorCanvasSettings::ArrowChoice, 2>& EditorCanvasSettings::arrowChoices() {
    static const std::array<ArrowChoice, 2> choices = {{
        {false, QStringLiteral("arrow.up.right"), QStringLiteral("Straight arrow")},
        {true, QStringLiteral("point.topleft.down.curvedto.point.bottomright.up"),
         QStringLiteral("Curved arrow")},
    }};
    return choices;
}

const std::array<EditorCanvasSettings::BracketChoice, 4>& EditorCanvasSettings::bracketChoices() {
    static const std::array<BracketChoice, 4> choices = {{
        {AnnotationKind::bracketOpen, QStringLiteral("["), QStringLiteral("opening bracket")},
        {AnnotationKind::bracketClose, QStringLiteral("]"), QStringLiteral("closing bracket")},
        {AnnotationKind::braceOpen, QStringLiteral("{"), QStringLiteral("opening brace")},
        {AnnotationKind::braceClose, QStringLiteral("}"), QStringLiteral("closing brace")},
    }};
    return choices;
}

EditorCanvasSettings::EditorCanvasSettings(QObject* parent) : QObject(parent), color_(SystemColors::red()) {}

EditorCanvasSettings::Batch::Batch(EditorCanvasSettings& settings) : settings_(settings) {
    ++settings_.batchDepth_;
}

EditorCanvasSettings::Batch::~Batch() {
    --settings_.batchDepth_;
    settings_.publish();
}

template<class T>
void EditorCanvasSettings::assign(T& field, const T& value, Field which) {
    if (same(field, value)) return;
    field = value;
    pending_ |= 1u << static_cast<int>(which);
    publish();
}

void EditorCanvasSettings::publish() {
    // A change made by an observer while signals go out is published by the loop already running.
    if (batchDepth_ > 0 || publishing_) return;
    publishing_ = true;
    while (pending_ != 0) {
        const int next = std::countr_zero(pending_);
        pending_ &= ~(1u << next);
        emitChange(static_cast<Field>(next));
    }
    publishing_ = false;
}

void EditorCanvasSettings::emitChange(Field which) {
    switch (which) {
    case Field::fit:
        Q_EMIT fitChanged();
        break;
    case Field::zoomFraction:
        Q_EMIT zoomFractionChanged();
        break;
    case Field::pan:
        Q_EMIT panChanged();
        break;
    case Field::cropping:
        Q_EMIT croppingChanged();
        break;
    case Field::selection:
        Q_EMIT selectionChanged();
        break;
    case Field::message:
        Q_EMIT messageChanged();
        break;
    case Field::pixelated:
        Q_EMIT pixelatedChanged();
        break;
    case Field::tool:
        Q_EMIT toolChanged();
        break;
    case Field::color:
        Q_EMIT colorChanged();
        break;
    case Field::strokeWidth:
        Q_EMIT strokeWidthChanged();
        break;
    case Field::fill:
        Q_EMIT fillChanged();
        break;
    case Field::selectedID:
        Q_EMIT selectedIDChanged();
        break;
    case Field::editingText:
        Q_EMIT editingTextChanged();
        break;
    case Field::measurementUnit:
        Q_EMIT measurementUnitChanged();
        break;
    case Field::hoverColor:
        Q_EMIT hoverColorChanged();
        break;
    case Field::measurementLabel:
        Q_EMIT measurementLabelChanged();
        break;
    case Field::textRedaction:
        Q_EMIT textRedactionChanged();
        break;
    case Field::areaColors:
        Q_EMIT areaColorsChanged();
        break;
    case Field::spotlightOval:
        Q_EMIT spotlightOvalChanged();
        break;
    case Field::magnification:
        Q_EMIT magnificationChanged();
        break;
    case Field::bracketKind:
        Q_EMIT bracketKindChanged();
        break;
    case Field::arrowCurved:
        Q_EMIT arrowCurvedChanged();
        break;
    case Field::fontPoints:
        Q_EMIT fontPointsChanged();
        break;
    case Field::recognizing:
        Q_EMIT recognizingChanged();
        break;
    }
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
    pending_ |= 1u << static_cast<int>(Field::textRedaction);
    publish();
}

void EditorCanvasSettings::callFinishText() {
    if (finishText) finishText();
}

std::optional<AnnotationKind> EditorCanvasSettings::drawingKind() const {
    if (tool_ == QLatin1String("Bracket")) return bracketKind_;
    return annotationKind(tool_.toLower());
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
    callFinishText();
    {
        Batch batch(*this);
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

void EditorCanvasSettings::select(const std::optional<Annotation>& annotation) {
    Batch batch(*this);
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
            copy.rect = squareAround(copy.rect.center(), std::round(size * 1.6));
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
    callFinishText();
    {
        Batch batch(*this);
        setRecognizing(false);
        endSmartModes();
        setCropping(!cropping_);
        setSelection(std::nullopt);
        setMessage(QString());
    }
    announce(cropping_ ? QStringLiteral("Crop mode. Press an arrow key to start a selection.")
                       : QStringLiteral("Crop mode off"));
}

void EditorCanvasSettings::applyCrop(EditorDocument& document) {
    callFinishText();
    if (!selection_ || !document.crop(*selection_)) {
        setMessage(QStringLiteral("Select a non-empty area entirely inside the image."));
        return;
    }
    {
        Batch batch(*this);
        fitImage();
        setCropping(false);
    }
    const QRectF crop = document.cropRect();
    announce(QStringLiteral("Cropped to %1 by %2 pixels")
                 .arg(static_cast<qint64>(geom::width(crop)))
                 .arg(static_cast<qint64>(geom::height(crop))));
}

void EditorCanvasSettings::fitImage() {
    Batch batch(*this);
    setFit(true);
    setPan(QPointF());
    setSelection(std::nullopt);
    setMessage(QString());
}

void EditorCanvasSettings::startRecognizing() {
    callFinishText();
    {
        Batch batch(*this);
        endSmartModes();
        setCropping(false);
        setRecognizing(true);
        setSelection(std::nullopt);
        setMessage(QStringLiteral("Drag over the text to recognize, or press Return for the whole image."));
    }
    announce(QStringLiteral("Recognize text: drag over an area, or press Return for the whole image"));
}

void EditorCanvasSettings::finishRecognizing(EditorDocument& document) {
    if (!recognizing_ || !recognizeHandler) return;
    const auto handler = recognizeHandler;
    recognizeText(document, handler);
    Batch batch(*this);
    setRecognizing(false);
    setSelection(std::nullopt);
}

Result<EditorCanvasSettings::RecognitionImage, Error>
EditorCanvasSettings::recognitionImage(const EditorDocument& document) const {
    auto rendered = document.render();
    if (!rendered) return Failure{rendered.error()};
    if (!selection_) return RecognitionImage{std::move(rendered).value(), QStringLiteral("Editor image")};

    const Error outside{QStringLiteral("Quorvane.OCR"), 1,
                        QStringLiteral("Select a non-empty area entirely inside the image.")};
    const QImage& image = *rendered;
    const QRectF area = geom::intersection(geom::integral(geom::standardized(*selection_)),
                                           QRectF(0, 0, image.width(), image.height()));
    // The cut must be exactly the selection: one reaching past the image comes out smaller.
    if (geom::isEmpty(area) || area.width() != geom::width(*selection_) ||
        area.height() != geom::height(*selection_))
        return Failure{outside};
    auto cut = DevicePixels::copy(image, area.toRect());
    if (!cut) return Failure{outside};
    return RecognitionImage{std::move(*cut), QStringLiteral("Editor selection")};
}

void EditorCanvasSettings::recognizeText(EditorDocument& document,
                                         const std::function<void(const QImage&, const QString&)>& deliver) {
    callFinishText();
    auto result = recognitionImage(document);
    if (!result) {
        setMessage(result.error().message);
        return;
    }
    setMessage(QString());
    if (deliver) deliver(result->image, result->source);
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
    Batch batch(*this);
    if (TextRedactionReview* review = textRedaction_) {
        review->cancel();
        if (EditorDocument* document = review->document();
            document && document->textRedactionReview() == review)
            document->setTextRedactionReview(nullptr);
    }
    setTextRedaction(nullptr);
    setAreaColors(std::nullopt);
}

std::optional<Annotation> EditorCanvasSettings::toolAnnotation(AnnotationKind kind, const QRectF& rect,
                                                               const EditorDocument& document) const {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = rect;
    a.color = color_;
    a.strokeWidth = 3.0;
    const QPointF centre(geom::midX(rect), geom::midY(rect));
    switch (kind) {
    case AnnotationKind::freehand:
        // Standardised sizes: a rectangle dragged up or left must not turn the loop round.
        for (int i = 0; i <= 48; ++i) {
            const double angle = 2 * M_PI * (i / 48.0);
            a.points.emplace_back(centre.x() + std::cos(angle) * geom::width(rect) * 0.5,
                                  centre.y() + std::sin(angle) * geom::height(rect) * 0.5);
        }
        a.rect = Annotation::bounds(a.points);
        a.strokeWidth = strokeWidth_;
        break;
    case AnnotationKind::highlight:
        a.opacity = 0.4;
        break;
    case AnnotationKind::spotlight:
        a.fill = spotlightOval_;
        break;
    case AnnotationKind::counter:
        a.fontSize = fontPoints_ * pixelScale_;
        a.rect = squareAround(centre, std::round(fontPoints_ * pixelScale_ * 1.6));
        a.number = document.nextCounterNumber();
        break;
    case AnnotationKind::magnifier:
        a.rect = squareAround(centre, std::min(geom::width(rect), geom::height(rect)));
        a.strokeWidth = strokeWidth_;
        a.magnification = magnification_;
        break;
    default:
        return std::nullopt;
    }
    a.start = kind == AnnotationKind::magnifier ? centre : a.rect.topLeft();
    a.end = QPointF(geom::maxX(a.rect), geom::maxY(a.rect));
    return a;
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
