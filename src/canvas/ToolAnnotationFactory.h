#pragma once

#include "canvas/ToolTable.h"
#include "document/Annotation.h"

#include <QRectF>
#include <QStringList>
#include <optional>

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// Builds the annotation of a freehand, highlight, spotlight, counter or magnifier tool from a
// rectangle (a selection accepted with Return, or a highlight or spotlight drag), in the current
// style of the pane's settings.
class ToolAnnotationFactory {
public:
    // The tools whose annotations this factory builds, by name and by kind.
    static const QStringList& tools();
    static bool builds(ToolTable::Tool tool);
    // The square of a counter of `fontSize` pixels: 1.6 times that, rounded, around `centre`.
    static QRectF counterRect(const QPointF& centre, double fontSize);

    explicit ToolAnnotationFactory(const EditorCanvasSettings& settings) : settings_(settings) {}

    // A new annotation of `kind` spanning `rect` (base-image pixels); none for other kinds.
    std::optional<Annotation> make(AnnotationKind kind, const QRectF& rect,
                                   const EditorDocument& document) const;

private:
    const EditorCanvasSettings& settings_;
};

} // namespace quorvane
