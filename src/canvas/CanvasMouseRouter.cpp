#include "canvas/CanvasMouseRouter.h"

#include "canvas/CanvasPainter.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/PrecisionToolInput.h"
#include "canvas/SmartModes.h"
#include "core/Geometry.h"
#include "core/PointerPosition.h"
#include "document/EditorDocument.h"
#include "imaging/EdgeGrid.h"
#include "recognition/SmartSelection.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <chrono>
#include <cmath>

namespace quorvane {
namespace {

constexpr int smartTolerance = 6;
constexpr long long smartMaxPixels = 12'000'000;
constexpr auto smartTimeLimit = std::chrono::milliseconds(400);
// No screen is this large: a position beyond it comes from a broken or synthetic event.
constexpr double largestPosition = 1e6;

bool usable(const QPointF& p) {
    return geom::isFinite(p) && std::abs(p.x()) <= largestPosition && std::abs(p.y()) <= largestPosition;
}

double distance(const QPointF& a, const QPointF& b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

} // namespace

using Tool = ToolTable::Tool;

CanvasMouseRouter::CanvasMouseRouter(EditorCanvasView& view)
    : view_(view), arrow_(view), selection_(view, arrow_), shape_(view), highlight_(view), bracket_(view),
      freehand_(view), counter_(view), magnifier_(view), erase_(view), text_(view) {}

ToolGesture* CanvasMouseRouter::gestureFor(std::optional<Tool> tool) {
    if (!tool) return nullptr;
    switch (*tool) {
    case Tool::pan:
    case Tool::color:
    case Tool::ruler:
        return nullptr;
    case Tool::select:
        return &selection_;
    case Tool::arrow:
        return &arrow_;
    case Tool::rectangle:
    case Tool::oval:
    case Tool::redact:
    case Tool::blur:
    case Tool::pixelate:
        return &shape_;
    case Tool::highlight:
    case Tool::spotlight:
        return &highlight_;
    case Tool::bracket:
        return &bracket_;
    case Tool::text:
        return &text_;
    case Tool::freehand:
        return &freehand_;
    case Tool::counter:
        return &counter_;
    case Tool::magnifier:
        return &magnifier_;
    case Tool::erase:
        return &erase_;
    }
    return nullptr;
}

void CanvasMouseRouter::press(const QMouseEvent& event) {
    // Pixels are placed, sampled and measured where the pointer is, to the device pixel.
    const QPointF at = pointerPosition(event);
    if (event.button() != Qt::LeftButton || !usable(at)) return;
    const QStyleHints* hints = QGuiApplication::styleHints();
    clickCount_ = clicks_.press(at, event.timestamp(), hints->mouseDoubleClickInterval(),
                                hints->mouseDoubleClickDistance());
    // A press whose release never came starts afresh.
    if (buttonDown_) abandon();
    buttonDown_ = true;
    mouseDown(at, event.modifiers());
}

void CanvasMouseRouter::move(const QMouseEvent& event) {
    const QPointF at = pointerPosition(event);
    if (!buttonDown_) {
        // The loupe and the hover rulers follow the pointer only in the window the user works in.
        if (event.buttons() == Qt::NoButton && view_.isActiveWindow()) view_.precisionTools().hover(at);
        return;
    }
    if (!(event.buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a grab was lost): nothing of the gesture may stay.
        buttonDown_ = false;
        abandon();
        return;
    }
    if (!usable(at)) return;
    if (documentChangedSincePress()) {
        abandon();
        return;
    }
    dragStep(at, event.modifiers());
}

void CanvasMouseRouter::release(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton || !buttonDown_) return;
    buttonDown_ = false;
    const QPointF at = pointerPosition(event);
    if (!usable(at) || documentChangedSincePress()) {
        abandon();
        return;
    }
    mouseUp(at, event.modifiers());
}

bool CanvasMouseRouter::documentChangedSincePress() const {
    const EditorDocument* document = view_.document();
    return document == nullptr || document->revision() != pressRevision_;
}

QPointF CanvasMouseRouter::originalPoint(const QPointF& viewPoint) const {
    const EditorDocument* document = view_.document();
    const QPointF canvas = view_.transform().imagePoint(viewPoint);
    return document != nullptr ? canvas + document->cropRect().topLeft() : canvas;
}

void CanvasMouseRouter::mouseDown(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    view_.finishTextEditing(TextEditEnding::commit);
    pressed_ = nullptr;
    EditorDocument* document = view_.document();
    if (document == nullptr) return;
    pressRevision_ = document->revision();
    if (view_.window()->windowHandle() != nullptr) view_.setFocus(Qt::MouseFocusReason);
    EditorCanvasSettings& settings = view_.settings();
    CanvasGesture& gesture = view_.gesture();
    view_.painter().clearDragBase();
    gesture.dragAnchor = point;
    gesture.dragPan = settings.viewport().pan();

    if (TextRedactionReview* review = settings.modes().textRedaction()) {
        if (const auto toggled = review->toggle(originalPoint(point)))
            settings.announce(
                (toggled->included ? QStringLiteral("Redact") : QStringLiteral("Keep visible")) +
                QStringLiteral(": ") + toggled->text);
        gesture.dragAnchor.reset();
        view_.refresh();
        return;
    }
    const SmartModes* smart = view_.smartModes();
    if ((modifiers & Qt::AltModifier) && smart != nullptr && smart->supportsSmartSelection())
        gesture.smartClick = point;
    else
        gesture.smartClick.reset();
    gesture.eraseRefusal.reset();

    if (settings.modes().cropping() || settings.modes().recognizing()) {
        settings.modes().setSelection(std::nullopt);
        settings.modes().setMessage(QString());
        return;
    }
    const std::optional<Tool> tool = settings.style().toolKind();
    if (tool == Tool::color) {
        settings.modes().setSelection(std::nullopt);
        settings.modes().setAreaColors(std::nullopt);
        return;
    }
    if (tool == Tool::ruler) {
        gesture.rulerAnchor.reset();
        view_.precisionTools().clearRulers();
        gesture.rulerAnchor = view_.transform().imagePoint(point);
        view_.configurePrecisionTools();
        return;
    }
    // A pending smart selection gives way to what is drawn now.
    if (settings.style().drawingKind()) settings.modes().setSelection(std::nullopt);
    pressed_ = gestureFor(tool);
    if (pressed_ != nullptr) pressed_->press(originalPoint(point), clickCount_);
    view_.refresh();
    // Straightening is the one press that edits the document; what follows compares with it.
    if (EditorDocument* now = view_.document()) pressRevision_ = now->revision();
}

void CanvasMouseRouter::dragStep(const QPointF& c, Qt::KeyboardModifiers modifiers) {
    CanvasGesture& gesture = view_.gesture();
    EditorCanvasSettings& settings = view_.settings();
    if (!gesture.dragAnchor || view_.document() == nullptr) return;
    const QPointF a = *gesture.dragAnchor;
    if (gesture.smartClick) {
        if (distance(*gesture.smartClick, c) <= smartClickSlop) return;
        gesture.smartClick.reset();
    }
    const bool selecting = settings.modes().cropping() || settings.modes().recognizing();
    if (settings.style().toolKind() == Tool::color && !selecting) {
        settings.modes().setSelection(view_.precisionTools().colorArea(a, c));
        view_.invalidate(std::nullopt);
        return;
    }
    if (gesture.rulerAnchor) {
        view_.precisionTools().measure(*gesture.rulerAnchor, view_.transform().imagePoint(c),
                                       modifiers & Qt::ShiftModifier);
        view_.configurePrecisionTools();
        return;
    }
    const std::optional<Annotation> old = gesture.proposed;
    if (selecting) {
        const auto selection = view_.transform().selection(a, c);
        const auto hold = settings.holdChanges();
        settings.modes().setSelection(selection);
        settings.modes().setMessage(
            selection ? QString() : QStringLiteral("Selection must stay entirely inside the image."));
    } else if (settings.style().toolKind() == Tool::pan) {
        settings.viewport().setPan(gesture.dragPan + (c - a));
    } else {
        if (pressed_ != nullptr)
            gesture.proposed =
                pressed_->step(originalPoint(a), originalPoint(c), gesture.proposed, modifiers);
        invalidatePreview(old);
        return;
    }
    view_.refresh();
}

void CanvasMouseRouter::invalidatePreview(const std::optional<Annotation>& old) {
    const EditorDocument& document = *view_.document();
    CanvasGesture& gesture = view_.gesture();
    const QRectF canvas = gesture.proposed ? document.expandedCrop(*gesture.proposed) : document.cropRect();
    if (gesture.previewCanvas && geom::exactlyEqual(*gesture.previewCanvas, canvas)) {
        if (old) view_.invalidate(view_.viewRect(*old));
        if (gesture.proposed) view_.invalidate(view_.viewRect(*gesture.proposed));
        return;
    }
    gesture.previewCanvas = canvas;
    view_.invalidate(std::nullopt);
}

void CanvasMouseRouter::mouseUp(const QPointF& e, Qt::KeyboardModifiers modifiers) {
    CanvasGesture& gesture = view_.gesture();
    EditorCanvasSettings& settings = view_.settings();
    if (gesture.smartClick) {
        const QPointF s = *gesture.smartClick;
        gesture.smartClick.reset();
        if (distance(s, e) <= smartClickSlop) {
            gesture.dragAnchor.reset();
            smartSelect(s);
            view_.refresh();
            return;
        }
    }
    const bool selecting = settings.modes().cropping() || settings.modes().recognizing();
    if (settings.style().toolKind() == Tool::color && !selecting && gesture.dragAnchor) {
        const QPointF anchor = *gesture.dragAnchor;
        gesture.dragAnchor.reset();
        view_.precisionTools().sampleColor(anchor, e, modifiers & Qt::AltModifier);
        return;
    }
    if (settings.modes().recognizing()) {
        dragStep(e, modifiers);
        gesture.dragAnchor.reset();
        if (settings.modes().selection() && view_.document() != nullptr)
            settings.finishRecognizing(*view_.document());
        view_.refresh();
        return;
    }
    const bool ruler = gesture.rulerAnchor.has_value();
    // The release point counts even when no drag event came before it.
    dragStep(e, modifiers);
    if (ruler) {
        gesture.rulerAnchor.reset();
        gesture.dragAnchor.reset();
        if (const auto& label = settings.modes().measurementLabel())
            settings.announce(QStringLiteral("Measured ") + *label);
        return;
    }
    if (pressed_ != nullptr) gesture.proposed = pressed_->release(gesture.proposed);
    EditorDocument* document = view_.document();
    if (gesture.proposed && document != nullptr) {
        const Annotation committed = *gesture.proposed;
        if (gesture.originalAnnotation)
            document->updateAnnotation(committed);
        else
            document->addAnnotation(committed);
        // A refused annotation leaves the selection as it was.
        const auto& list = document->annotations();
        if (std::any_of(list.begin(), list.end(), [&](const Annotation& a) { return a.id == committed.id; }))
            settings.modes().setSelectedID(committed.id);
    }
    reset();
    view_.refresh();
}

void CanvasMouseRouter::smartSelect(const QPointF& click) {
    SmartModes* smart = view_.smartModes();
    const QImage* image = view_.probe();
    if (smart == nullptr || image == nullptr) return;
    const auto grid = EdgeGrid::make(*image);
    if (!grid) return;
    const QPointF q = view_.transform().imagePoint(click);
    SmartSelection::Outcome outcome;
    if (geom::isFinite(q) && q.x() >= 0 && q.y() >= 0 && q.x() < grid->width() && q.y() < grid->height())
        outcome = SmartSelection::region(*grid, QPointF(std::trunc(q.x()), std::trunc(q.y())), smartTolerance,
                                         smartMaxPixels, smartTimeLimit);
    smart->showSmartSelection(outcome);
}

void CanvasMouseRouter::reset() {
    view_.gesture().reset();
    pressed_ = nullptr;
    view_.painter().clearDragBase();
}

void CanvasMouseRouter::abandon() {
    CanvasGesture& gesture = view_.gesture();
    if (!gesture.dragAnchor && !gesture.proposed && !gesture.rulerAnchor && !gesture.smartClick) return;
    // A selection dragged so far stays: it is applied only by Return.
    gesture.rulerAnchor.reset();
    reset();
    view_.refresh();
}

} // namespace quorvane
