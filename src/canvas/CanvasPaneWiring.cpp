#include "canvas/CanvasPaneWiring.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"

#include <QTimer>
#include <initializer_list>

namespace quorvane {

CanvasPaneWiring::CanvasPaneWiring(EditorDocument& document, EditorCanvasSettings& settings,
                                   EditorCanvasView& view, QObject* parent)
    : QObject(parent), document_(&document), settings_(settings), view_(&view),
      styledSelection_(settings.selectedID()) {
    using Signal = void (EditorCanvasSettings::*)();
    for (Signal signal : std::initializer_list<Signal>{
             &EditorCanvasSettings::fitChanged,           &EditorCanvasSettings::zoomFractionChanged,
             &EditorCanvasSettings::panChanged,           &EditorCanvasSettings::croppingChanged,
             &EditorCanvasSettings::selectionChanged,     &EditorCanvasSettings::messageChanged,
             &EditorCanvasSettings::pixelatedChanged,     &EditorCanvasSettings::toolChanged,
             &EditorCanvasSettings::colorChanged,         &EditorCanvasSettings::strokeWidthChanged,
             &EditorCanvasSettings::fillChanged,          &EditorCanvasSettings::selectedIDChanged,
             &EditorCanvasSettings::editingTextChanged,   &EditorCanvasSettings::measurementUnitChanged,
             &EditorCanvasSettings::textRedactionChanged, &EditorCanvasSettings::areaColorsChanged,
             &EditorCanvasSettings::spotlightOvalChanged, &EditorCanvasSettings::magnificationChanged,
             &EditorCanvasSettings::bracketKindChanged,   &EditorCanvasSettings::arrowCurvedChanged,
             &EditorCanvasSettings::fontPointsChanged,    &EditorCanvasSettings::recognizingChanged})
        connect(&settings, signal, this, &CanvasPaneWiring::scheduleRefresh);
    connect(&document, &EditorDocument::revisionChanged, this, &CanvasPaneWiring::scheduleRefresh);
    for (Signal signal : std::initializer_list<Signal>{
             &EditorCanvasSettings::fontPointsChanged, &EditorCanvasSettings::colorChanged,
             &EditorCanvasSettings::strokeWidthChanged, &EditorCanvasSettings::fillChanged})
        connect(&settings, signal, this, &CanvasPaneWiring::styleChanged);
    connect(&settings, &EditorCanvasSettings::selectedIDChanged, this, &CanvasPaneWiring::selectionChanged);
}

void CanvasPaneWiring::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        if (view_) view_->refresh(true);
    });
}

void CanvasPaneWiring::styleChanged() {
    // The controls changing because an annotation was just selected is not an edit: selecting
    // would otherwise write back a rounded font size as an undo step.
    if (settings_.selectedID() != styledSelection_) return;
    if (document_) settings_.applyStyle(*document_);
}

void CanvasPaneWiring::selectionChanged() {
    QTimer::singleShot(0, this, [this] { styledSelection_ = settings_.selectedID(); });
}

} // namespace quorvane
