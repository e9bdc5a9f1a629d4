#include "app/TextFieldPaste.h"

#include "canvas/AnnotationTextView.h"
#include "core/Log.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QWindow>

namespace quorvane {
namespace {

QLineEdit* lineOf(QWidget* field) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) return line;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) return spin->findChild<QLineEdit*>();
    return nullptr;
}

// Whether `field` is a text field that takes text now.
bool takesText(QWidget* field) {
    if (QLineEdit* line = lineOf(field)) return !line->isReadOnly();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) return !plain->isReadOnly();
    if (auto* rich = qobject_cast<QTextEdit*>(field)) return !rich->isReadOnly();
    return false;
}

// Each field keeps what it can hold: a line edit its maximum length, a text annotation's box its
// own bound.
void insert(QWidget* field, const QString& text) {
    if (QLineEdit* line = lineOf(field))
        line->insert(text);
    else if (auto* annotation = qobject_cast<AnnotationTextView*>(field))
        annotation->insertText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        plain->insertPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(field))
        rich->insertPlainText(text);
}

// The field's own paste, for contents held in this process.
void pasteItself(QWidget* field) {
    if (QLineEdit* line = lineOf(field))
        line->paste();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        plain->paste();
    else if (auto* rich = qobject_cast<QTextEdit*>(field))
        rich->paste();
}

// The offer's text, in the first of the text formats it has; none when it has none.
std::optional<QString> text(ClipboardOffer& offer) {
    const QStringList formats = offer.formats();
    for (const QString& format : TextFieldPaste::types()) {
        if (!formats.contains(format)) continue;
        auto bytes = offer.read(format, ClipboardLimit{TextFieldPaste::longestText, {}, {}});
        if (!bytes) return std::nullopt;
        return format == QLatin1String("STRING") ? QString::fromLatin1(*bytes) : QString::fromUtf8(*bytes);
    }
    return std::nullopt;
}

// Where a drop at `at` of the view it fell on puts its text.
void placeCursor(QWidget* field, QPoint at) {
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->setCursorPosition(line->cursorPositionAt(at));
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        plain->setTextCursor(plain->cursorForPosition(at));
    else if (auto* rich = qobject_cast<QTextEdit*>(field))
        rich->setTextCursor(rich->cursorForPosition(at));
}

} // namespace

TextFieldPaste::TextFieldPaste(Clipboard& clipboard, InputHold& input, Beeper& beeper, QObject* parent)
    : QObject(parent), clipboard_(clipboard), input_(input), beeper_(beeper) {}

TextFieldPaste::~TextFieldPaste() = default;

QStringList TextFieldPaste::types() {
    return {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"),
            QStringLiteral("text/plain"), QStringLiteral("STRING")};
}

void TextFieldPaste::giveUp(InputHold::Reason why) {
    reader_.cancel();
    if (InputHold::failed(why)) beeper_.beep();
}

void TextFieldPaste::drop(QWidget* field, QPoint at, std::shared_ptr<ClipboardOffer> dropped,
                          InputHold::Token held) {
    QPointer<QWidget> target(field);
    reader_.read(std::move(dropped), std::move(held), &text, [this, target, at](std::optional<QString> read) {
        if (!read || !target || !takesText(target)) {
            Log::app().log("Drop opened nothing: it held no text its field takes");
            beeper_.beep();
            return;
        }
        placeCursor(target, at);
        insert(target, *read);
        Log::app().log("Dropped text into a field");
    });
}

void TextFieldPaste::watchApplication() {
    qApp->installEventFilter(this);
}

bool TextFieldPaste::paste(QWidget* field) {
    if (field == nullptr || !takesText(field)) return false;
    std::unique_ptr<ClipboardOffer> offer = clipboard_.offer();
    if (!offer) return true;
    if (!offer->waitsOnOthers()) {
        pasteItself(field);
        return true;
    }
    QPointer<QWidget> target(field);
    InputHold::Token held =
        input_.hold(field->window()->windowHandle(), [this](InputHold::Reason why) { giveUp(why); });
    reader_.read(std::move(offer), std::move(held), &text, [this, target](std::optional<QString> pasted) {
        if (!pasted) {
            Log::app().error("Paste failed: the clipboard's holder gave no text");
            beeper_.beep();
            return;
        }
        if (!target || !takesText(target)) return;
        // The keyboard moved on to another field meanwhile: the paste went with it, as a failed one.
        // A window that lost the keyboard (another window came up) keeps it for the field.
        if (QWidget* focus = target->window()->focusWidget();
            focus != target && !target->isAncestorOf(focus)) {
            Log::app().log("Paste dropped: its field lost the keyboard while it was read");
            beeper_.beep();
            return;
        }
        insert(target, *pasted);
    });
    return true;
}

bool TextFieldPaste::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) return false;
    auto* field = static_cast<QWidget*>(watched);
    if (!takesText(field)) return false;
    // Our own contents are in this process: the field pastes them itself.
    const std::unique_ptr<ClipboardOffer> offer = clipboard_.offer();
    if (!offer || !offer->waitsOnOthers()) return false;
    return paste(field);
}

} // namespace quorvane
