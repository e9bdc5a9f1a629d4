#include "canvas/AnnotationTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>

namespace quorvane {

AnnotationTextView::AnnotationTextView(QWidget* parent) : QPlainTextEdit(parent) {
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    // The committed text is laid out without margins and wraps the same way.
    document()->setDocumentMargin(0);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(true);
    setTabChangesFocus(false);
    // A screen reader names the box; the words are read through its text. Qt lists the page the
    // text shows on beside it.
    setAccessibleName(QStringLiteral("Text annotation"));
    viewport()->setAccessibleName(QStringLiteral("Text annotation page"));
}

qsizetype AnnotationTextView::room() const {
    const QTextCursor cursor = textCursor();
    const qsizetype held =
        document()->characterCount() - 1 - (cursor.selectionEnd() - cursor.selectionStart());
    return std::max<qsizetype>(longestText - held, 0);
}

void AnnotationTextView::insertText(const QString& text) {
    qsizetype kept = std::min(text.size(), room());
    if (kept < text.size()) {
        // Cut between characters, never inside one (a surrogate pair, a letter and its accents).
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.left(kept + 1));
        finder.setPosition(kept);
        if (!finder.isAtBoundary()) kept = std::max<qsizetype>(finder.toPreviousBoundary(), 0);
    }
    if (kept > 0) insertPlainText(text.left(kept));
    if (kept < text.size()) Q_EMIT textCut();
}

QSizeF AnnotationTextView::usedSize() const {
    // The editor lays out only the blocks near what it shows: lay out every one first.
    auto* layouter = qobject_cast<QPlainTextDocumentLayout*>(document()->documentLayout());
    double width = 0, height = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (layouter != nullptr) layouter->ensureBlockLayout(block);
        const QTextLayout* layout = block.layout();
        if (layout == nullptr) continue;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            width = std::max(width, line.naturalTextWidth());
            height += line.height();
        }
    }
    return {width, height};
}

void AnnotationTextView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (const auto done = finish) done(TextEditEnding::cancel); // a copy: the call clears `finish`
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        if (const auto done = finish) done(TextEditEnding::commit);
        return;
    }
    const QString typed = event->text();
    const bool adds = enter || (!typed.isEmpty() && (typed.front().isPrint() || typed.front() == u'\t'));
    if (adds && room() < std::max<qsizetype>(typed.size(), 1)) {
        Q_EMIT textCut();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void AnnotationTextView::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    // Switching windows or opening a menu comes back to the box; anything else ends the edit.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        reason == Qt::MenuBarFocusReason)
        return;
    if (const auto done = finish) done(TextEditEnding::commit);
}

void AnnotationTextView::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    QColor accent = palette().color(QPalette::Highlight);
    accent.setAlphaF(0.7f);
    painter.setPen(QPen(accent, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(viewport()->rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
}

void AnnotationTextView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() != nullptr) return event->ignore();
    QPlainTextEdit::dragEnterEvent(event);
}

void AnnotationTextView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() != nullptr) return event->ignore();
    QPlainTextEdit::dragMoveEvent(event);
}

void AnnotationTextView::dropEvent(QDropEvent* event) {
    if (event->source() != nullptr) return event->ignore();
    QPlainTextEdit::dropEvent(event);
}

void AnnotationTextView::insertFromMimeData(const QMimeData* source) {
    if (source != nullptr && source->hasText()) insertText(source->text());
}

} // namespace quorvane
