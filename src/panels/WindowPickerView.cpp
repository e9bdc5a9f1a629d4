#include "panels/WindowPickerView.h"

#include "canvas/AccessibleGroup.h"
#include "capture/CaptureController.h"
#include "core/ButtonReturnKey.h"
#include "editor_window/IconButton.h"
#include "editor_window/SymbolIcons.h"
#include "panels/Divider.h"
#include "panels/WindowIcons.h"
#include "panels/WindowList.h"
#include "panels/WindowRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <utility>

namespace quorvane {
namespace {

void mute(QLabel* label, float alpha) {
    QPalette palette = label->palette();
    QColor ink = palette.color(QPalette::WindowText);
    ink.setAlphaF(alpha);
    palette.setColor(QPalette::WindowText, ink);
    label->setPalette(palette);
}

} // namespace

WindowPickerView::WindowPickerView(CaptureController& model, WindowIcons& icons, const SymbolIcons& symbols,
                                   QWidget* parent)
    : QDialog(parent), model_(model), icons_(icons) {
    ButtonReturnKey::install();
    // Without the divider lines, which a screen reader would meet as unnamed frames.
    AccessibleGroup::expose(*this, QAccessible::Dialog, QStringLiteral("Capture a Window"));
    setWindowTitle(QStringLiteral("Capture a Window"));
    setFixedSize(sheetWidth, sheetHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    auto* title = new QLabel(QStringLiteral("Capture a Window"), this);
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);
    header->addWidget(title);
    header->addStretch(1);
    refresh_ = new IconButton(
        symbols, QStringLiteral("arrow.clockwise"), QStringLiteral("Refresh windows"),
        [this] {
            // The keyboard stays where the person has it: on Refresh, or on a row.
            awaitingRows_ = false;
            model_.refreshTargets();
        },
        this);
    header->addWidget(refresh_);
    column->addLayout(header);
    QFrame* divider = makeDivider(this);
    AccessibleGroup::markDecoration(*divider);
    column->addWidget(divider);

    content_ = new QStackedWidget(this);
    content_->setAccessibleName(QStringLiteral("Windows"));
    auto* empty = new QWidget(content_);
    AccessibleGroup::expose(*empty, QAccessible::Client, QString());
    auto* emptyColumn = new QVBoxLayout(empty);
    emptyColumn->addStretch(1);
    auto* emptyIcon = new QLabel(empty);
    const QColor ink = palette().color(QPalette::WindowText);
    emptyIcon->setPixmap(symbols.icon(QStringLiteral("macwindow"), ink, ink).pixmap(32, 32));
    emptyIcon->setAlignment(Qt::AlignCenter);
    AccessibleGroup::markDecoration(*emptyIcon);
    emptyColumn->addWidget(emptyIcon);
    emptyTitle_ = new QLabel(empty);
    QFont bold = emptyTitle_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    emptyTitle_->setFont(bold);
    emptyTitle_->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(emptyTitle_);
    emptyDescription_ = new QLabel(empty);
    emptyDescription_->setAlignment(Qt::AlignCenter);
    emptyDescription_->setWordWrap(true);
    mute(emptyDescription_, 0.65f);
    emptyColumn->addWidget(emptyDescription_);
    emptyColumn->addStretch(1);
    content_->addWidget(empty);
    auto* scroll = new WindowList(content_);
    // A screen reader meets it around the rows.
    scroll->setAccessibleName(QStringLiteral("Window list"));
    windowList_ = scroll;
    list_ = new QWidget(scroll);
    listLayout_ = new QVBoxLayout(list_);
    listLayout_->setContentsMargins(6, 6, 6, 6);
    listLayout_->setSpacing(0);
    listLayout_->addStretch(1);
    scroll->setRows(list_);
    content_->addWidget(scroll);
    column->addWidget(content_, 1);
    divider = makeDivider(this);
    AccessibleGroup::markDecoration(*divider);
    column->addWidget(divider);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(12, 12, 12, 12);
    auto* note = new QLabel(QStringLiteral("Quorvane's own windows are never captured."), this);
    QFont caption = note->font();
    caption.setPointSizeF(std::max(7.0, caption.pointSizeF() - 1.5));
    note->setFont(caption);
    mute(note, 0.65f);
    footer->addWidget(note);
    footer->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &WindowPickerView::reject);
    footer->addWidget(cancel);
    column->addLayout(footer);

    connect(&model_, &CaptureController::windowsChanged, this, &WindowPickerView::rebuildRows);
    for (auto signal : {&CaptureController::busyChanged, &CaptureController::permissionGrantedChanged})
        connect(&model_, signal, this, &WindowPickerView::refresh);
    rebuildRows();
}

std::vector<WindowRow*> WindowPickerView::rows() const {
    std::vector<WindowRow*> out;
    for (int i = 0; i < listLayout_->count(); ++i)
        if (auto* row = qobject_cast<WindowRow*>(listLayout_->itemAt(i)->widget())) out.push_back(row);
    return out;
}

bool WindowPickerView::showsEmptyState() const {
    return content_->currentIndex() == 0;
}

QString WindowPickerView::emptyTitle() const {
    return emptyTitle_->text();
}

QString WindowPickerView::emptyDescription() const {
    return emptyDescription_->text();
}

void WindowPickerView::rebuildRows() {
    const std::vector<WindowRow*> old = rows();
    // The row with the keyboard, which its window's new row, or the one in its place, takes over.
    const auto focused = std::find(old.begin(), old.end(), focusWidget());
    for (WindowRow* row : old)
        listLayout_->removeWidget(row);
    int at = 0;
    // Tab reaches the rows in the list's place, after Refresh, not after Cancel, where Qt puts new
    // widgets (the list, no stop itself, cannot stand before them).
    QWidget* before = refresh_;
    // In the controller's order; it has left our own windows out already.
    for (const CaptureWindow& window : model_.windows()) {
        auto* row = new WindowRow(window, icons_.icon(window).icon, list_);
        connect(row, &QAbstractButton::clicked, this, [this, window] { pick(window); });
        listLayout_->insertWidget(at++, row);
        // Now rather than on the next turn, so that it can take the keyboard.
        row->show();
        QWidget::setTabOrder(before, row);
        before = row;
    }
    refresh();
    const std::vector<WindowRow*> now = rows();
    if (focused != old.end()) {
        const auto same = std::find_if(now.begin(), now.end(), [&](const WindowRow* row) {
            return row->window().windowID == (*focused)->window().windowID;
        });
        const long place = std::min(long(focused - old.begin()), long(now.size()) - 1);
        if (same != now.end())
            (*same)->setFocus(Qt::OtherFocusReason);
        else if (place >= 0)
            now[size_t(place)]->setFocus(Qt::OtherFocusReason);
        else
            refresh_->setFocus(Qt::OtherFocusReason);
    } else if (awaitingRows_ && !now.empty()) {
        // The listing that the sheet opened without, or that Refresh asked for.
        now.front()->setFocus(Qt::OtherFocusReason);
    }
    if (!now.empty()) awaitingRows_ = false;
    windowList_->placeTabStop();
    // Hidden only now: a hidden row with the keyboard would send it on to Cancel.
    for (WindowRow* row : old) {
        row->hide();
        row->deleteLater();
    }
}

void WindowPickerView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The first row rather than Cancel, which Qt would choose, so that Return picks a window; its
    // first listing when the sheet opens before it.
    const std::vector<WindowRow*> all = rows();
    awaitingRows_ = all.empty();
    if (!all.empty()) all.front()->setFocus(Qt::OtherFocusReason);
    windowList_->placeTabStop();
}

void WindowPickerView::refresh() {
    const bool busy = model_.isBusy();
    // Disabled, Refresh would send the keyboard on to the next control: it waits nowhere and comes
    // back to Refresh, unless the person took it elsewhere meanwhile.
    if (busy && focusWidget() == refresh_) {
        refreshHadKeyboard_ = true;
        refresh_->clearFocus();
    }
    refresh_->setEnabled(!busy);
    if (!busy && std::exchange(refreshHadKeyboard_, false) && focusWidget() == nullptr)
        refresh_->setFocus(Qt::OtherFocusReason);
    content_->setCurrentIndex(model_.windows().empty() ? 0 : 1);
    emptyTitle_->setText(busy ? QStringLiteral("Looking for windows…") : QStringLiteral("No Windows"));
    emptyDescription_->setText(model_.permissionGranted()
                                   ? QStringLiteral("Open the window you want to capture, then refresh.")
                                   : QStringLiteral("Allow Screen Recording to list windows."));
}

void WindowPickerView::pick(const CaptureWindow& window) {
    CaptureController& model = model_;
    model.setSelectedWindowID(window.windowID);
    // The sheet closes first; the capture takes the identifier as it stands now.
    closing_ = true;
    model.setChoosingWindow(false);
    QDialog::accept();
    model.captureWindow();
}

void WindowPickerView::reject() {
    if (closing_) return;
    closing_ = true;
    model_.setChoosingWindow(false);
    QDialog::reject();
}

} // namespace quorvane
