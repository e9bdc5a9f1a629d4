#pragma once

#include "canvas/AnnotationTextView.h"
#include "document/Annotation.h"

#include <QPointer>
#include <QRectF>
#include <optional>

namespace quorvane {

class EditorCanvasView;
class EditorDocument;

// Typing a text annotation in place: a text box over the annotation in its colour and size at the
// current zoom. Committing writes the text back as one undo step, grows the box to the text, and
// removes an annotation left without text. The edit belongs to the document it began on. GUI
// thread.
class AnnotationTextEditor {
public:
    explicit AnnotationTextEditor(EditorCanvasView& view) : view_(view) {}
    AnnotationTextEditor(const AnnotationTextEditor&) = delete;
    AnnotationTextEditor& operator=(const AnnotationTextEditor&) = delete;
    ~AnnotationTextEditor();

    bool isOpen() const { return editor_ != nullptr && annotation_.has_value(); }
    // The image's view rectangle when editing began; another one means the view moved.
    const std::optional<QRectF>& openedAt() const { return openedAt_; }
    AnnotationTextView* textView() const { return editor_; }
    // The working copy; style changes while editing land here.
    const std::optional<Annotation>& annotation() const { return annotation_; }

    // Opens the box on `annotation`, which may not be in the document yet. An edit already open
    // is committed first.
    void begin(const Annotation& annotation);
    // Follows the colour and font-size controls.
    void updateEditingTextStyle();
    // Closes the box, committing or dropping the edit. Does nothing when no box is open.
    void finish(TextEditEnding how);

private:
    void commit(EditorDocument& document, const std::optional<Annotation>& current, Annotation edited,
                const QSizeF& used, double zoom);

    EditorCanvasView& view_;
    QPointer<AnnotationTextView> editor_;
    std::optional<Annotation> annotation_;
    bool existed_ = false;
    std::optional<QRectF> openedAt_;
    QPointer<EditorDocument> document_;
};

} // namespace quorvane
