#include "canvas/EditorCanvasView.h"

#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasAccessible.h"
#include "canvas/CanvasDescription.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/CanvasKeyboard.h"
#include "canvas/CanvasMouseRouter.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasZoom.h"
#include "canvas/ColorLoupeView.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/ErasePlacement.h"
#include "canvas/PrecisionToolInput.h"
#include "canvas/RulerOverlayView.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace quorvane {

const QString& EditorCanvasView::accessibilityLabel() {
    static const QString label = QStringLiteral("Screenshot canvas");
    return label;
}

const QString& EditorCanvasView::accessibilityHelp() {
    static const QString help = QStringLiteral(
        "Tool keys: H Pan, V Select, A Arrow, R Rectangle, O Oval, K Bracket, T Text, F Freehand, G "
        "Highlight, "
        "S Spotlight, N Counter, Z Magnifier, X Redact, B Blur, P Pixelate, E Erase, I Color, M Ruler, C "
        "Crop. "
        "With Crop or a drawing tool, arrow keys create and move a selection, Shift and arrows resize, Alt "
        "moves "
        "10 pixels, Return applies the crop or adds the annotation, Escape clears. With Select, Tab cycles "
        "annotations, arrows nudge, Control Alt arrows bend a selected arrow (with the Arrow tool, A "
        "switches "
        "between straight and curved arrows; double-click the round handle to straighten), Delete removes, "
        "Return edits text. Redact is an opaque cover; Blur and Pixelate are visual effects only. Control "
        "Return "
        "finishes text.");
    return help;
}

EditorCanvasView::EditorCanvasView(EditorDocument& document, EditorCanvasSettings& settings, QWidget* parent)
    : QWidget(parent), document_(&document), settings_(settings), rulerManual_(new RulerOverlayView(this)),
      rulerHorizontal_(new RulerOverlayView(this)), rulerVertical_(new RulerOverlayView(this)),
      loupe_(new ColorLoupeView(this)), painter_(std::make_unique<CanvasPainter>(*this)),
      textEditor_(std::make_unique<AnnotationTextEditor>(*this)),
      erasePlacement_(std::make_unique<ErasePlacement>(*this)),
      precisionTools_(std::make_unique<PrecisionToolInput>()),
      mouse_(std::make_unique<CanvasMouseRouter>(*this)),
      commands_(std::make_unique<CanvasEditCommands>(*this)), zoom_(std::make_unique<CanvasZoom>(*this)),
      keyboard_(std::make_unique<CanvasKeyboard>(*this, *commands_, *zoom_)) {
    settings_.style().setPixelScale(document.pixelScale());
    loupe_->increaseContrast = [&settings] {
        return settings.increaseContrast ? settings.increaseContrast() : false;
    };
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    CanvasAccessible::install();
    setAccessibleName(accessibilityLabel());
    setAccessibleDescription(accessibilityHelp());
    // A document that goes first takes any open edit with it: there is nowhere left to commit.
    connect(&document, &QObject::destroyed, this, [this] { documentGone(); });
    // Qt 6.4 cannot speak a text; an alert on the canvas is the nearest a screen reader hears.
    // The text stays readable in the settings' last announcement.
    connect(&settings, &EditorCanvasSettings::announcementRequested, this, [this] {
        if (!QAccessible::isActive()) return;
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    });
    refresh();
}

EditorCanvasView::~EditorCanvasView() {
    // Whatever was typed goes into the document it belongs to before the view goes.
    finishTextEditing(TextEditEnding::commit);
}

double EditorCanvasView::backingScale() const {
    const QWidget* top = window();
    if (top == nullptr || top->windowHandle() == nullptr) return 1.0;
    const double scale = devicePixelRatioF();
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

CanvasTransform EditorCanvasView::transform() const {
    EditorDocument* doc = document_.data();
    CanvasTransform t;
    if (doc == nullptr) return t;
    t.imageSize = doc->cropRect().size();
    t.viewportSize = QSizeF(size());
    t.pan = settings_.viewport().pan();
    if (!geom::isFinite(t.pan)) t.pan = QPointF();
    const double fitZoom = CanvasTransform::fitZoom(doc->canvasFitSize(), t.viewportSize);
    const double zoom = settings_.viewport().zoomFraction() / backingScale();
    // A zoom that is not a positive, finite number shows the image fitted instead.
    t.zoom = settings_.viewport().fit() || !std::isfinite(zoom) || !(zoom > 0) ? fitZoom : zoom;
    return t;
}

void EditorCanvasView::refresh(Reconcile when) {
    const bool deferringState = when == Reconcile::later;
    if (deferringState) {
        QTimer::singleShot(0, this, [view = QPointer<EditorCanvasView>(this)] {
            if (view) view->reconcileState();
        });
    } else {
        reconcileState();
    }
    const EditorDocument* doc = document_.data();
    if (doc != nullptr && drawnRevision_ != doc->revision()) {
        auto rendered = doc->render();
        if (rendered) {
            drawnImage_ = std::move(rendered).value();
            drawnRevision_ = doc->revision();
            painter_->clearScreenCache();
        } else {
            drawnImage_ = QImage();
            const Error error = rendered.error();
            if (deferringState)
                QTimer::singleShot(0, this, [view = QPointer<EditorCanvasView>(this), error] {
                    if (view) view->report(error);
                });
            else
                report(error);
        }
    }
    accessibilityValue_ = accessibilityDescription();
    updateCursor();
    textEditor_->updateEditingTextStyle();
    if (deferringState)
        QTimer::singleShot(0, this, [view = QPointer<EditorCanvasView>(this)] {
            if (view) view->configurePrecisionTools();
        });
    else
        configurePrecisionTools();
    update();
}

void EditorCanvasView::reconcileState() {
    EditorDocument* doc = document_.data();
    if (textEditor_->isOpen() && textEditor_->openedAt() != transform().imageRect())
        finishTextEditing(TextEditEnding::commit);
    if (doc == nullptr) return;
    if (const auto id = settings_.modes().selectedID()) {
        const auto& list = doc->annotations();
        if (std::none_of(list.begin(), list.end(), [&](const Annotation& a) { return a.id == *id; }))
            settings_.modes().setSelectedID(std::nullopt);
    }
}

void EditorCanvasView::report(const Error& error) {
    if (settings_.modes().message() != error.message) settings_.modes().setMessage(error.message);
}

std::optional<Annotation> EditorCanvasView::selectedAnnotation() const {
    EditorDocument* doc = document_.data();
    const auto id = settings_.modes().selectedID();
    if (!id || doc == nullptr) return std::nullopt;
    const auto& list = doc->annotations();
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const Annotation& a) { return a.id == *id; });
    return found != list.end() ? std::optional(*found) : std::nullopt;
}

const QImage* EditorCanvasView::probe() {
    EditorDocument* doc = document_.data();
    if (doc == nullptr) return nullptr;
    if (probeRevision_ != doc->revision()) {
        // A failed render is not retried until the document changes.
        auto rendered = doc->render();
        probeImage_ = rendered ? std::optional(std::move(rendered).value()) : std::nullopt;
        probeRevision_ = doc->revision();
    }
    return probeImage_ ? &*probeImage_ : nullptr;
}

void EditorCanvasView::cancelActiveDrag() {
    if (!gesture_.dragAnchor) return;
    gesture_.reset();
    painter_->clearDragBase();
    if (settings_.modes().cropping() || settings_.modes().recognizing()) {
        const auto hold = settings_.holdChanges();
        settings_.modes().setSelection(std::nullopt);
        settings_.modes().setMessage(QStringLiteral("Selection cancelled because the viewport changed."));
    }
}

QString EditorCanvasView::accessibilityDescription() const {
    const EditorDocument* doc = document_.data();
    return doc != nullptr ? canvasDescription(*doc, settings_) : QString();
}

void EditorCanvasView::beginTextEditing(const Annotation& annotation) {
    textEditor_->begin(annotation);
}

void EditorCanvasView::finishTextEditing(TextEditEnding how) {
    textEditor_->finish(how);
}

QRectF EditorCanvasView::viewRect(const QRectF& imageRect) const {
    EditorDocument* doc = document_.data();
    if (doc == nullptr) return imageRect;
    const CanvasTransform t = transform();
    const QRectF shown = t.imageRect();
    const QRectF r = geom::offsetBy(imageRect, -doc->cropRect().x(), -doc->cropRect().y());
    return QRectF(shown.x() + r.x() * t.zoom, shown.y() + r.y() * t.zoom, r.width() * t.zoom,
                  r.height() * t.zoom);
}

QRectF EditorCanvasView::viewRect(const Annotation& annotation) const {
    // std::fmax ignores a NaN operand, as the margin should.
    const double margin = annotation.strokeWidth + std::fmax(4 * annotation.strokeWidth, 10);
    const QRectF grown = geom::insetBy(annotation.rect, -margin, -margin);
    return geom::insetBy(viewRect(grown), -8, -8);
}

void EditorCanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter_->paint(painter);
    // The keyboard's place, once the keyboard has moved it in this window, as Qt's styles show it.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.resetTransform();
        painter.setClipping(false);
        painter.setOpacity(1);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void EditorCanvasView::resizeEvent(QResizeEvent* event) {
    if (event->oldSize() != event->size()) cancelActiveDrag();
    QWidget::resizeEvent(event);
    refresh();
}

void EditorCanvasView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QWindow* handle = window()->windowHandle();
    if (handle != nullptr && handle != watchedWindow_) {
        if (watchedWindow_ != nullptr) disconnect(watchedWindow_, nullptr, this, nullptr);
        watchedWindow_ = handle;
        // Qt 6.4 has no event for a new pixel ratio; a new screen is where it changes.
        connect(handle, &QWindow::screenChanged, this, [this] { backingChanged(); });
    }
    if (lastBackingScale_ != backingScale()) backingChanged();
    reclaimFocusLater();
}

void EditorCanvasView::hideEvent(QHideEvent* event) {
    // A closed or hidden window keeps what was typed.
    finishTextEditing(TextEditEnding::commit);
    QWidget::hideEvent(event);
}

void EditorCanvasView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    reclaimFocusLater();
}

void EditorCanvasView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    loupe_->hide();
    settings_.modes().setHoverColor(std::nullopt);
    precisionTools_->exited();
    configurePrecisionTools();
}

bool EditorCanvasView::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Canvas keys win over window shortcuts that share them.
        if (keyboard_->claims(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        // Qt takes Tab for focus movement before keyPressEvent; the canvas cycles annotations first.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyboard_->keyPress(*key);
            return true;
        }
        break;
    }
    case QEvent::NativeGesture: {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoom_->magnify(gesture->value(), gesture->position());
            return true;
        }
        break;
    }
    default:
        break;
    }
    if (event->type() == QEvent::ScreenChangeInternal) {
        const bool handled = QWidget::event(event);
        if (lastBackingScale_ != backingScale()) backingChanged();
        return handled;
    }
    return QWidget::event(event);
}

void EditorCanvasView::backingChanged() {
    lastBackingScale_ = backingScale();
    cancelActiveDrag();
    painter_->clearScreenCache();
    refresh();
}

void EditorCanvasView::reclaimFocusLater() {
    // The canvas takes the keyboard back when it would fall to the bare window, never from
    // another control.
    QTimer::singleShot(0, this, [self = QPointer<EditorCanvasView>(this)] {
        EditorCanvasView* view = self;
        if (view == nullptr || !view->isVisible() || view->textEditor_->isOpen()) return;
        QWidget* top = view->window();
        if (top->isActiveWindow() && (top->focusWidget() == nullptr || top->focusWidget() == top))
            view->setFocus(Qt::OtherFocusReason);
    });
}

void EditorCanvasView::updateCursor() {
    if (settings_.modes().cropping() || settings_.modes().recognizing())
        setCursor(Qt::CrossCursor);
    else if (settings_.style().toolKind() == ToolTable::Tool::select)
        setCursor(Qt::ArrowCursor);
    else if (settings_.style().toolKind() == ToolTable::Tool::pan)
        setCursor(Qt::OpenHandCursor);
    else
        setCursor(Qt::CrossCursor);
}

void EditorCanvasView::configurePrecisionTools() {
    precisionTools_->configure();
}

void EditorCanvasView::setPrecisionTools(std::unique_ptr<PrecisionToolInput> tools) {
    if (tools) precisionTools_ = std::move(tools);
}

void EditorCanvasView::invalidate(const std::optional<QRectF>& area) {
    const QRectF shown = area && geom::isFinite(*area) ? area->intersected(QRectF(rect())) : QRectF(rect());
    if (area && shown.isEmpty()) {
        if (invalidated) invalidated(area);
        return;
    }
    if (area)
        update(shown.toAlignedRect());
    else
        update();
    if (invalidated) invalidated(area);
}

void EditorCanvasView::mousePressEvent(QMouseEvent* event) {
    mouse_->press(*event);
}

void EditorCanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt sends this in place of the second press; the router counts clicks itself.
    mouse_->press(*event);
}

void EditorCanvasView::mouseMoveEvent(QMouseEvent* event) {
    mouse_->move(*event);
}

void EditorCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    mouse_->release(*event);
}

void EditorCanvasView::keyPressEvent(QKeyEvent* event) {
    if (!keyboard_->keyPress(*event)) QWidget::keyPressEvent(event);
}

void EditorCanvasView::wheelEvent(QWheelEvent* event) {
    zoom_->scroll(event->pixelDelta(), event->angleDelta());
    event->accept();
}

void EditorCanvasView::documentGone() {
    textEditor_->finish(TextEditEnding::cancel);
    gesture_ = CanvasGesture{};
    painter_->clearDragBase();
    painter_->clearScreenCache();
    drawnImage_ = QImage();
    probeImage_.reset();
    update();
}

} // namespace quorvane
