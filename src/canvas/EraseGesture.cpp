#include "canvas/EraseGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/ErasePlacement.h"

#include <utility>

namespace quorvane {

std::optional<Annotation> EraseGesture::step(const QPointF& a, const QPointF& b,
                                             const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    if (!startsInImage(a)) return std::nullopt;
    if (!(distance(a, b) > 0)) {
        view_.gesture().eraseRefusal.reset();
        return std::nullopt;
    }
    return view_.erasePlacement().checkedErase(spanned(a, b));
}

std::optional<Annotation> EraseGesture::release(const std::optional<Annotation>& proposed) {
    std::optional<QString>& refusal = view_.gesture().eraseRefusal;
    if (!refusal) return proposed;
    const QString why = *std::exchange(refusal, std::nullopt);
    view_.settings().announce(why);
    return std::nullopt;
}

} // namespace quorvane
