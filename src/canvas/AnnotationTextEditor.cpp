#include "canvas/AnnotationTextEditor.h"

#include "canvas/AnnotationTextView.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"
#include "document/AnnotationDrawing.h"
#include "document/EditorDocument.h"
#include "document/PixelFont.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

std::optional<Annotation> findAnnotation(const EditorDocument& document, const QUuid& id) {
    const auto& list = document.annotations();
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const Annotation& a) { return a.id == id; });
    return found != list.end() ? std::optional(*found) : std::nullopt;
}

void applyLook(AnnotationTextView& editor, const QColor& color, double fontSize, double zoom) {
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::Base, Qt::transparent);
    editor.setPalette(palette);
    // Sized in view points like the renderer's font, so the committed text looks as typed.
    editor.setFont(pixelSizedFont(fontSize * zoom, &editor));
}

void sayTextWasCut(EditorCanvasSettings& settings) {
    static_assert(AnnotationTextView::longestText == 4096, "the message names the bound");
    const QString message = QStringLiteral("A text holds up to 4,096 characters: the rest was left out.");
    // Cleared first, so that the toast shows again for a second cut.
    settings.modes().setMessage(QString());
    settings.modes().setMessage(message);
    settings.announce(message);
}

} // namespace

AnnotationTextEditor::~AnnotationTextEditor() {
    if (AnnotationTextView* editor = editor_) editor->finish = nullptr;
}

void AnnotationTextEditor::begin(const Annotation& annotation) {
    finish(TextEditEnding::commit);
    EditorDocument* document = view_.document();
    if (document == nullptr || !geom::isFinite(annotation.rect)) return;
    EditorCanvasSettings& settings = view_.settings();
    const std::optional<Annotation> existing = findAnnotation(*document, annotation.id);
    settings.select(existing);
    annotation_ = annotation;
    existed_ = existing.has_value();
    document_ = document;
    const CanvasTransform transform = view_.transform();
    const QRectF shown = transform.imageRect();
    openedAt_ = shown;

    const double z = transform.zoom;
    const QRectF r = geom::offsetBy(annotation.rect, -document->cropRect().x(), -document->cropRect().y());
    const QRectF frame(r.x() * z + shown.x(), r.y() * z + shown.y(), std::max(r.width() * z, 80.0),
                       std::max(r.height() * z, 40.0));

    auto* editor = new AnnotationTextView(&view_);
    applyLook(*editor, annotation.color, annotation.fontSize, z);
    editor->setPlainText(annotation.text);
    editor->moveCursor(QTextCursor::End);
    editor->setGeometry(frame.toAlignedRect());
    editor->finish = [view = QPointer<EditorCanvasView>(&view_)](TextEditEnding how) {
        if (view) view->finishTextEditing(how);
    };
    QObject::connect(editor, &AnnotationTextView::textCut, &view_,
                     [view = &view_] { sayTextWasCut(view->settings()); });
    editor_ = editor;
    editor->show();
    settings.modes().setEditingText(true);
    settings.finishText = [view = QPointer<EditorCanvasView>(&view_)] {
        if (view) view->finishTextEditing(TextEditEnding::commit);
    };
    editor->setFocus(Qt::OtherFocusReason);
}

void AnnotationTextEditor::updateEditingTextStyle() {
    const EditorDocument* document = view_.document();
    if (!isOpen() || document == nullptr) return;
    const EditorCanvasSettings& settings = view_.settings();
    const double size = settings.style().fontPoints() * document->pixelScale();
    if (annotation_->color == settings.style().color() && annotation_->fontSize == size) return;
    annotation_->color = settings.style().color();
    annotation_->fontSize = size;
    applyLook(*editor_, settings.style().color(), size, view_.transform().zoom);
}

void AnnotationTextEditor::finish(TextEditEnding how) {
    const bool cancelled = how == TextEditEnding::cancel;
    if (editor_ == nullptr || !annotation_) return;
    const double z = view_.transform().zoom;
    // Everything is cleared before the box goes, so the focus change its removal causes finds
    // nothing left to finish.
    AnnotationTextView* editor = editor_.data();
    editor_ = nullptr;
    if (editor == nullptr) return;
    const Annotation working = *std::exchange(annotation_, std::nullopt);
    openedAt_.reset();
    const QPointer<EditorDocument> document = std::exchange(document_, nullptr);
    editor->finish = nullptr;
    const QString text = editor->toPlainText();
    const QSizeF used = editor->usedSize();
    editor->hide();
    editor->deleteLater();
    EditorCanvasSettings& settings = view_.settings();
    settings.modes().setEditingText(false);
    settings.finishText = nullptr;

    // An edit is written only into the document it began on, and only while that still exists.
    if (!cancelled && document != nullptr && document == view_.document()) {
        const std::optional<Annotation> current = findAnnotation(*document, working.id);
        if (!(existed_ && !current)) {
            Annotation edited = current.value_or(working);
            edited.text = text;
            commit(*document, current, std::move(edited), used, z);
        }
    }
    if (view_.isVisible()) view_.setFocus(Qt::OtherFocusReason);
    view_.refresh();
}

void AnnotationTextEditor::commit(EditorDocument& document, const std::optional<Annotation>& current,
                                  Annotation edited, const QSizeF& used, double zoom) {
    EditorCanvasSettings& settings = view_.settings();
    if (edited.text.trimmed().isEmpty()) {
        if (current) document.deleteAnnotation(edited.id);
        settings.modes().setSelectedID(std::nullopt);
        return;
    }
    if (zoom > 0 && std::isfinite(zoom)) {
        // The box grows to the text and never past the crop's right or bottom edge. Cut at the
        // right edge, the text wraps anew at that width: the box takes every line it wraps to.
        const QRectF r = geom::standardized(edited.rect);
        const QRectF crop = document.cropRect();
        const double width = std::min(std::max(std::ceil(used.width() / zoom), r.width()),
                                      std::max(crop.right() - r.x(), 1.0));
        const double lines = std::ceil(drawnTextHeight(edited.text, edited.fontSize, width));
        const double height = std::min(std::max({std::ceil(used.height() / zoom), lines, r.height()}),
                                       std::max(crop.bottom() - r.y(), 1.0));
        edited.rect = QRectF(r.x(), r.y(), width, height);
        edited.end = edited.rect.bottomRight();
    }
    if (current)
        document.updateAnnotation(edited);
    else
        document.addAnnotation(edited);
    settings.modes().setSelectedID(edited.id);
}

} // namespace quorvane
