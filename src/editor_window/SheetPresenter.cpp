#include "editor_window/SheetPresenter.h"

#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ExpandCanvasSheet.h"
#include "editor_window/ResizeSheet.h"

#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace quorvane {

SheetPresenter::SheetPresenter(QWidget& window, QObject* parent) : QObject(parent), window_(&window) {}

SheetPresenter::~SheetPresenter() {
    if (sheet_) {
        sheet_->disconnect(this);
        delete sheet_.data();
    }
}

QDialog* SheetPresenter::otherSheet() const {
    if (!window_) return nullptr;
    const auto dialogs = window_->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
    const auto shown = std::find_if(dialogs.begin(), dialogs.end(), [](const QDialog* dialog) {
        return dialog->isVisible() && dialog->windowModality() != Qt::NonModal;
    });
    return shown != dialogs.end() ? *shown : nullptr;
}

bool SheetPresenter::showsSheet() const {
    return sheet_ || otherSheet() != nullptr;
}

void SheetPresenter::presentResize(EditorDocument* document, EditorCanvasSettings* settings) {
    if (document == nullptr || !window_) return;
    if (settings != nullptr) settings->finishOpenText();
    if (showsSheet()) {
        waitingResizes_.emplace_back(document);
        // Another part of the window (a file dialog) may hold it; its end frees the window too.
        if (QDialog* other = sheet_ ? nullptr : otherSheet())
            connect(other, &QDialog::finished, this, &SheetPresenter::finished, Qt::UniqueConnection);
        return;
    }
    show(new ResizeSheet(*document, window_));
}

bool SheetPresenter::presentBackdrop(EditorDocument* document, EditorCanvasSettings* settings) {
    if (document == nullptr || !window_ || showsSheet()) return false;
    if (settings != nullptr) settings->finishOpenText();
    show(new BackdropSheet(*document, window_));
    return true;
}

bool SheetPresenter::presentExpandCanvas(EditorDocument* document, EditorCanvasSettings* settings) {
    if (document == nullptr || !window_ || showsSheet()) return false;
    if (settings != nullptr) settings->finishOpenText();
    show(new ExpandCanvasSheet(*document, window_));
    return true;
}

void SheetPresenter::show(QDialog* sheet) {
    sheet_ = sheet;
    connect(sheet, &QDialog::finished, this, &SheetPresenter::finished);
    sheet->open();
    Q_EMIT sheetChanged();
}

void SheetPresenter::finished() {
    if (sender() != nullptr && sender() == sheet_) {
        sheet_->deleteLater();
        sheet_.clear();
        Q_EMIT sheetChanged();
    }
    // The next turn: the closing sheet is still on its way out of the window.
    QTimer::singleShot(0, this, &SheetPresenter::showWaiting);
}

void SheetPresenter::showWaiting() {
    while (!waitingResizes_.empty() && window_ && !showsSheet()) {
        const QPointer<EditorDocument> document = waitingResizes_.front();
        waitingResizes_.pop_front();
        if (document) {
            show(new ResizeSheet(*document, window_));
            return;
        }
    }
}

} // namespace quorvane
