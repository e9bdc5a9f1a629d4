#include "app/TextFieldCommands.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace quorvane::TextFieldCommands {
namespace {

bool hasText(const QStringList& formats) {
    return std::any_of(formats.begin(), formats.end(), [](const QString& format) {
        return format.startsWith(QLatin1String("text/plain")) || format == QLatin1String("UTF8_STRING") ||
               format == QLatin1String("STRING") || format == QLatin1String("TEXT");
    });
}

std::optional<bool> lineTakes(QLineEdit& line, MenuCommand command, bool clipboardHasText) {
    switch (command) {
    case MenuCommand::undo:
        return line.isUndoAvailable();
    case MenuCommand::redo:
        return line.isRedoAvailable();
    case MenuCommand::copy:
        return line.hasSelectedText() && line.echoMode() == QLineEdit::Normal;
    case MenuCommand::paste:
        return !line.isReadOnly() && clipboardHasText;
    case MenuCommand::selectAll:
        return !line.text().isEmpty();
    case MenuCommand::deleteSelection:
        return !line.isReadOnly() && line.hasSelectedText();
    default:
        return std::nullopt;
    }
}

template<class Edit>
std::optional<bool> editTakes(Edit& edit, MenuCommand command, bool clipboardHasText) {
    const bool writable = !edit.isReadOnly();
    switch (command) {
    case MenuCommand::undo:
        return writable && edit.document()->isUndoAvailable();
    case MenuCommand::redo:
        return writable && edit.document()->isRedoAvailable();
    case MenuCommand::copy:
        return edit.textCursor().hasSelection();
    case MenuCommand::paste:
        return writable && clipboardHasText;
    case MenuCommand::selectAll:
        return !edit.document()->isEmpty();
    case MenuCommand::deleteSelection:
        return writable && edit.textCursor().hasSelection();
    default:
        return std::nullopt;
    }
}

template<class Edit>
void editPerform(Edit& edit, MenuCommand command) {
    switch (command) {
    case MenuCommand::undo:
        edit.undo();
        break;
    case MenuCommand::redo:
        edit.redo();
        break;
    case MenuCommand::copy:
        edit.copy();
        break;
    case MenuCommand::paste:
        edit.paste();
        break;
    case MenuCommand::selectAll:
        edit.selectAll();
        break;
    case MenuCommand::deleteSelection:
        edit.textCursor().removeSelectedText();
        break;
    default:
        break;
    }
}

QLineEdit* lineOf(QWidget* field) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) return line;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) return spin->findChild<QLineEdit*>();
    return nullptr;
}

} // namespace

QWidget* focusedField(const QWidget* window) {
    QWidget* focus = window != nullptr ? window->focusWidget() : nullptr;
    if (focus == nullptr) return nullptr;
    const bool isField = lineOf(focus) != nullptr || qobject_cast<QPlainTextEdit*>(focus) != nullptr ||
                         qobject_cast<QTextEdit*>(focus) != nullptr;
    return isField ? focus : nullptr;
}

std::optional<bool> takes(QWidget* field, MenuCommand command, const QStringList& offeredFormats) {
    const bool text = hasText(offeredFormats);
    if (QLineEdit* line = lineOf(field)) return lineTakes(*line, command, text);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) return editTakes(*plain, command, text);
    if (auto* rich = qobject_cast<QTextEdit*>(field)) return editTakes(*rich, command, text);
    return std::nullopt;
}

bool perform(QWidget* field, MenuCommand command) {
    if (!takes(field, command).has_value()) return false;
    if (QLineEdit* line = lineOf(field)) {
        switch (command) {
        case MenuCommand::undo:
            line->undo();
            break;
        case MenuCommand::redo:
            line->redo();
            break;
        case MenuCommand::copy:
            line->copy();
            break;
        case MenuCommand::paste:
            line->paste();
            break;
        case MenuCommand::selectAll:
            line->selectAll();
            break;
        case MenuCommand::deleteSelection:
            line->del();
            break;
        default:
            break;
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        editPerform(*plain, command);
    } else if (auto* rich = qobject_cast<QTextEdit*>(field)) {
        editPerform(*rich, command);
    }
    return true;
}

} // namespace quorvane::TextFieldCommands
