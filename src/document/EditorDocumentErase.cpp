// EditorDocument's second look at an erase box against the picture without it.

#include "core/Geometry.h"
#include "document/EditorDocument.h"

namespace quorvane {

Result<Annotation, EraseCheck::Refusal> EditorDocument::resampledErase(const Annotation& erase) const {
    Annotations others;
    for (const Annotation& a : *annotations_)
        if (a.id != erase.id) others.push_back(a);
    // Every other annotation counts as background; the erase itself never does.
    const auto rendered = render(Annotation::resolvingColors(std::move(others)), image_, crop_, allocator_);
    if (!rendered) return Failure{EraseCheck::Refusal{EraseCheck::renderFailedMessage}};

    const double dx = geom::minX(crop_), dy = geom::minY(crop_);
    const QRectF box = geom::offsetBy(erase.rect, -dx, -dy);
    const auto cover = EraseCheck::coverRect(box, 0, QRectF(0, 0, rendered->width(), rendered->height()));
    if (!cover) return Failure{EraseCheck::Refusal{EraseCheck::unavailableMessage}};

    const EraseCheck::Outcome outcome = EraseCheck::evaluate(*cover, *rendered);
    if (std::holds_alternative<EraseCheck::Busy>(outcome))
        return Failure{EraseCheck::Refusal{EraseCheck::busyMessage}};
    if (std::holds_alternative<EraseCheck::Unavailable>(outcome))
        return Failure{EraseCheck::Refusal{EraseCheck::unavailableMessage}};
    const auto plain = std::get<EraseCheck::Plain>(outcome);
    Annotation result = erase;
    result.rect = geom::offsetBy(*cover, dx, dy);
    result.start = result.rect.topLeft();
    result.end = QPointF(geom::maxX(result.rect), geom::maxY(result.rect));
    result.color = QColor(plain.red, plain.green, plain.blue, plain.alpha);
    return result;
}

} // namespace quorvane
