#include "canvas/CanvasPaneWiring.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"

#include <QMetaMethod>
#include <QTimer>
#include <initializer_list>

namespace quorvane {

CanvasPaneWiring::CanvasPaneWiring(EditorDocument& document, EditorCanvasSettings& settings,
                                   EditorCanvasView& view, QObject* parent)
    : QObject(parent), document_(&document), settings_(settings), view_(&view),
      styledSelection_(settings.modes().selectedID()) {
    // Every published field of the settings' parts, whichever the chrome adds.
    const QMetaMethod refresh = metaObject()->method(metaObject()->indexOfSlot("scheduleRefresh()"));
    for (QObject* part :
         std::initializer_list<QObject*>{&settings.viewport(), &settings.style(), &settings.modes()}) {
        const QMetaObject& fields = *part->metaObject();
        for (int i = fields.methodOffset(); i < fields.methodCount(); ++i) {
            const QMetaMethod signal = fields.method(i);
            if (signal.methodType() == QMetaMethod::Signal && signal.parameterCount() == 0 &&
                signal.name().endsWith("Changed"))
                connect(part, signal, this, refresh);
        }
    }
    connect(&document, &EditorDocument::revisionChanged, this, &CanvasPaneWiring::scheduleRefresh);
    for (auto signal : {&ToolStyle::fontPointsChanged, &ToolStyle::colorChanged,
                        &ToolStyle::strokeWidthChanged, &ToolStyle::fillChanged})
        connect(&settings.style(), signal, this, &CanvasPaneWiring::styleChanged);
    connect(&settings.modes(), &PaneModes::selectedIDChanged, this, &CanvasPaneWiring::selectionChanged);
}

void CanvasPaneWiring::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        if (view_) view_->refresh(EditorCanvasView::Reconcile::later);
    });
}

void CanvasPaneWiring::styleChanged() {
    // The controls changing because an annotation was just selected is not an edit: selecting
    // would otherwise write back a rounded font size as an undo step.
    if (settings_.modes().selectedID() != styledSelection_) return;
    if (document_) settings_.applyStyle(*document_);
}

void CanvasPaneWiring::selectionChanged() {
    QTimer::singleShot(0, this, [this] { styledSelection_ = settings_.modes().selectedID(); });
}

} // namespace quorvane
