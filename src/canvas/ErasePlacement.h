#pragma once

#include "document/Annotation.h"
#include "imaging/EraseCheck.h"

#include <QRectF>
#include <optional>
#include <variant>

namespace quorvane {

class EditorCanvasView;

// Where an erase box may stand: only over a plain background, which it then takes the colour
// of. Otherwise the canvas refuses with a message that says what to do instead. GUI thread.
class ErasePlacement {
public:
    explicit ErasePlacement(EditorCanvasView& view) : view_(view) {}

    // The annotation to show for a dragged box (document pixels): the erase box, or a red outline
    // when refused. Sets or clears the gesture's refusal and the status message. None without a
    // probe image, and no outline when the box misses the canvas.
    std::optional<Annotation> checkedErase(const QRectF& rect);
    // Adds the erase box over `rect` when the background allows it, else says why.
    void placeErase(const QRectF& rect);
    // `erase` tested again where it now is; none, with the message, when it cannot stay.
    std::optional<Annotation> revalidatedErase(const Annotation& erase);

private:
    using Outcome = std::variant<Annotation, EraseCheck::Refusal>;
    std::optional<Outcome> check(const QRectF& rect);

    EditorCanvasView& view_;
};

} // namespace quorvane
