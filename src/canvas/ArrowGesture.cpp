#include "canvas/ArrowGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"

namespace quorvane {
namespace {

constexpr double curvedArrowAmount = 0.22;

} // namespace

void ArrowGesture::press(const QPointF& p, int clickCount) {
    trail_.clear();
    pressBendHandle(p, clickCount);
}

std::optional<Annotation> ArrowGesture::step(const QPointF& a, const QPointF& b,
                                             const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    if (view_.gesture().originalAnnotation) return bendStep(b);
    if (!startsInImage(a) || !(distance(a, b) > 0)) return std::nullopt;
    Annotation arrow = styled(AnnotationKind::arrow);
    arrow.rect = spanned(a, b);
    arrow.start = a;
    arrow.end = b;
    if (!view_.settings().style().arrowCurved()) return arrow;
    trail_.push_back(b);
    return arrow.arced(trail_, curvedArrowAmount);
}

bool ArrowGesture::pressBendHandle(const QPointF& p, int clickCount) {
    const auto arrow = view_.selectedAnnotation();
    if (!arrow || arrow->kind != AnnotationKind::arrow) return false;
    if (!(distance(p, arrow->arrowMidpoint()) <= bendReach / view_.transform().zoom)) return false;
    CanvasGesture& gesture = view_.gesture();
    if (clickCount == 2) {
        straighten(*arrow);
        gesture.dragAnchor.reset();
        return true;
    }
    gesture.originalAnnotation = arrow;
    view_.settings().select(arrow);
    gesture.bending = true;
    return true;
}

std::optional<Annotation> ArrowGesture::bendStep(const QPointF& b) const {
    const std::optional<Annotation>& arrow = view_.gesture().originalAnnotation;
    if (!arrow) return std::nullopt;
    return arrow->bent(b);
}

void ArrowGesture::straighten(const Annotation& arrow) {
    EditorDocument* document = view_.document();
    if (!arrow.bend || document == nullptr) return;
    Annotation straight = arrow;
    straight.bend.reset();
    straight.rect = spanned(arrow.start, arrow.end);
    document->updateAnnotation(straight);
    view_.settings().announce(QStringLiteral("Arrow straightened"));
}

} // namespace quorvane
