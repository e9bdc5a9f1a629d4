#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "document/Annotation.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class EditorDocument;

// The frames of a drag whose preview depends on the pixels beneath (effects, spotlights, marks
// near a blur): the first frame is a full render, every later one renders again only the pixels
// the change can reach, through the effects that read them, and comes out identical to a full
// render. GUI thread.
class FullPreviewFrame {
public:
    struct Frame {
        const QImage* image = nullptr;
        // Crop pixels that differ from the previous frame; none when everything may.
        std::optional<QRect> changed;
    };

    // `document` drawn with `annotations` in place of its own.
    Result<Frame, Error> render(const EditorDocument& document, const std::vector<Annotation>& annotations);
    void clear();
    std::int64_t bytes() const { return image_.sizeInBytes(); }

private:
    Result<Frame, Error> renderAll(const EditorDocument& document,
                                   const std::vector<Annotation>& annotations);

    QImage image_;
    std::vector<Annotation> annotations_;
    qint64 revision_ = -1;
    const EditorDocument* document_ = nullptr;
};

} // namespace quorvane
