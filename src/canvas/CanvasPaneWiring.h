#pragma once

#include <QObject>
#include <QPointer>
#include <QUuid>
#include <optional>

namespace quorvane {

class EditorCanvasSettings;
class EditorCanvasView;
class EditorDocument;

// Keeps a canvas view in step with its document and settings: any change refreshes the view
// once on the next event-loop turn, and a style control changed by the user restyles the
// selected annotation. Selecting an annotation loads its style into the controls; that records
// no undo step. GUI thread.
class CanvasPaneWiring : public QObject {
    Q_OBJECT

public:
    CanvasPaneWiring(EditorDocument& document, EditorCanvasSettings& settings, EditorCanvasView& view,
                     QObject* parent = nullptr);

private Q_SLOTS:
    void scheduleRefresh();

private:
    void styleChanged();
    void selectionChanged();

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    QPointer<EditorCanvasView> view_;
    bool refreshPending_ = false;
    // The selection whose style the controls show once the turn that selected it is over.
    std::optional<QUuid> styledSelection_;
};

} // namespace quorvane
