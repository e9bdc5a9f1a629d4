#include "canvas/TextGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

#include <algorithm>

namespace quorvane {
namespace {

constexpr double textBoxWidth = 300;
constexpr double textBoxHeight = 100;

} // namespace

void TextGesture::press(const QPointF& p, int) {
    const EditorDocument* document = view_.document();
    if (document == nullptr) return;
    const QRectF crop = document->cropRect();
    if (!geom::contains(crop, p)) return;
    Annotation text = styled(AnnotationKind::text);
    // The box hangs right and down from the click, cut at the crop's edges.
    text.rect = QRectF(p.x(), p.y(), std::min(geom::maxX(crop) - p.x(), textBoxWidth),
                       std::min(geom::maxY(crop) - p.y(), textBoxHeight));
    text.start = p;
    text.end = QPointF(geom::maxX(text.rect), geom::maxY(text.rect));
    text.strokeWidth = 3.0;
    text.fill = false;
    text.fontSize = view_.settings().style().fontPoints() * document->pixelScale();
    view_.gesture().dragAnchor.reset();
    view_.beginTextEditing(text);
}

std::optional<Annotation> TextGesture::step(const QPointF&, const QPointF&,
                                            const std::optional<Annotation>& proposed,
                                            Qt::KeyboardModifiers) {
    return proposed;
}

} // namespace quorvane
