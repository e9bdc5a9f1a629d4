#pragma once

#include "adjustments/BackdropPreview.h"
#include "canvas/CanvasGesture.h"
#include "canvas/TextEditEnding.h"
#include "core/Error.h"
#include "document/Annotation.h"
#include "document/CanvasTransform.h"
#include "document/EditorDocument.h"

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class AnnotationTextEditor;
class CanvasEditCommands;
class CanvasKeyboard;
class CanvasZoom;
class CanvasMouseRouter;
class CanvasPainter;
class ColorLoupeView;
class EditorCanvasSettings;
class ErasePlacement;
class PrecisionToolInput;
class RulerOverlayView;
class SmartModes;

// Shows one document as the pane's settings say (fit or zoomed, panned) and keeps itself in step
// with both. It owns the widget plumbing: events, focus, cursor, accessibility and refreshes. The
// work lives beside it, one concern a class: the drawing (CanvasPainter), the in-place text
// editor (AnnotationTextEditor), erase placement (ErasePlacement), the mouse gestures
// (CanvasMouseRouter), the keys (CanvasKeyboard), the Edit commands (CanvasEditCommands), zoom and
// scrolling (CanvasZoom) and the Color and Ruler tools (PrecisionToolInput). GUI thread.
class EditorCanvasView : public QWidget {
    Q_OBJECT

public:
    // The document may go away first: the view then shows nothing and edits nothing.
    EditorCanvasView(EditorDocument& document, EditorCanvasSettings& settings, QWidget* parent = nullptr);
    ~EditorCanvasView() override;

    static const QString& accessibilityLabel();
    static const QString& accessibilityHelp();

    // Null once the document is gone.
    EditorDocument* document() const { return document_; }
    EditorCanvasSettings& settings() const { return settings_; }

    // The view's current mapping between image pixels and view points.
    CanvasTransform transform() const;
    // Device pixels per view point of the window showing the view, 1 without one.
    double backingScale() const;

    // When a refresh brings the view's state in line with the document.
    enum class Reconcile {
        now,
        // On the next event-loop turn, out of the observer that asked.
        later,
    };
    Q_ENUM(Reconcile)

    // Renders the document anew when its revision changed and redraws. The reconciliation, error
    // reports and precision-tool set-up happen `when` asked.
    void refresh(Reconcile when = Reconcile::now);
    // Drops state that no longer matches the document: commits a text edit whose view moved, and
    // forgets a selected annotation that is gone.
    void reconcileState();
    void report(const Error& error);
    std::optional<Annotation> selectedAnnotation() const;
    // The crop-sized rendering with every annotation, for sampling; kept per revision.
    const QImage* probe();
    // Abandons a drag in progress; a crop or recognise selection is cleared with a message.
    void cancelActiveDrag();
    QString accessibilityDescription() const;
    // The value assistive technology reads, as of the last refresh.
    const QString& accessibilityValue() const { return accessibilityValue_; }

    // The gesture in progress; mouse and keyboard handlers change it and call update().
    CanvasGesture& gesture() { return gesture_; }
    const CanvasGesture& gesture() const { return gesture_; }
    // The rendering of the document with its own annotations, as of `drawnRevision`.
    const QImage& drawnImage() const { return drawnImage_; }
    qint64 drawnRevision() const { return drawnRevision_; }
    CanvasPainter& painter() { return *painter_; }
    AnnotationTextEditor& textEditor() { return *textEditor_; }
    ErasePlacement& erasePlacement() { return *erasePlacement_; }
    BackdropPreview& backdropPreview() { return backdropPreview_; }

    // In-place text editing of `annotation`, which may not be in the document yet.
    void beginTextEditing(const Annotation& annotation);
    void finishTextEditing(TextEditEnding how);

    // The Edit and arrange commands, the keys and the zoom of this canvas.
    CanvasEditCommands& editCommands() { return *commands_; }
    CanvasKeyboard& keyboard() { return *keyboard_; }
    CanvasZoom& zoom() { return *zoom_; }
    // Moves the keyboard focus to the next or previous control of the window.
    void moveFocus(bool forward) { focusNextPrevChild(forward); }

    // Smart selection for Alt-clicks and the smart modes' operations; without them an Alt-click
    // is an ordinary click. The modes must outlive the view or be taken back first.
    SmartModes* smartModes() const { return smartModes_; }
    void setSmartModes(SmartModes* modes) { smartModes_ = modes; }
    // What the Color and Ruler tools do with the mouse; a quiet stand-in until replaced.
    PrecisionToolInput& precisionTools() { return *precisionTools_; }
    void setPrecisionTools(std::unique_ptr<PrecisionToolInput> tools);
    // The overlays the precision tools keep: the manual ruler, the two hover rulers, the loupe.
    RulerOverlayView& rulerManual() const { return *rulerManual_; }
    RulerOverlayView& rulerHorizontal() const { return *rulerHorizontal_; }
    RulerOverlayView& rulerVertical() const { return *rulerVertical_; }
    ColorLoupeView& loupe() const { return *loupe_; }
    // Rulers and loupe follow the current tool and pointer.
    void configurePrecisionTools();
    // Marks `area` (view points) for redrawing, the whole view for none, and tells `invalidated`.
    void invalidate(const std::optional<QRectF>& area);
    std::function<void(const std::optional<QRectF>&)> invalidated;

    // Image pixels (document coordinates) to view points.
    QRectF viewRect(const QRectF& imageRect) const;
    // The view area an annotation can touch.
    QRectF viewRect(const Annotation& annotation) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void updateCursor();
    void reclaimFocusLater();
    void backingChanged();
    void documentGone();

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    qint64 drawnRevision_ = -1;
    CanvasGesture gesture_;
    QImage drawnImage_;
    BackdropPreview backdropPreview_;
    RulerOverlayView* rulerManual_ = nullptr;
    RulerOverlayView* rulerHorizontal_ = nullptr;
    RulerOverlayView* rulerVertical_ = nullptr;
    ColorLoupeView* loupe_ = nullptr;
    qint64 probeRevision_ = -1;
    std::optional<QImage> probeImage_;
    QString accessibilityValue_;
    double lastBackingScale_ = 0;
    std::unique_ptr<CanvasPainter> painter_;
    std::unique_ptr<AnnotationTextEditor> textEditor_;
    std::unique_ptr<ErasePlacement> erasePlacement_;
    std::unique_ptr<PrecisionToolInput> precisionTools_;
    std::unique_ptr<CanvasMouseRouter> mouse_;
    std::unique_ptr<CanvasEditCommands> commands_;
    std::unique_ptr<CanvasZoom> zoom_;
    std::unique_ptr<CanvasKeyboard> keyboard_;
    SmartModes* smartModes_ = nullptr;
    QPointer<QWindow> watchedWindow_;
};

} // namespace quorvane
