#include "editor_window/EditorView.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "capture/CaptureController.h"
#include "core/ButtonReturnKey.h"
#include "editor_window/DropHighlight.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/EditorToolBar.h"
#include "editor_window/StatusContextBar.h"
#include "editor_window/ToastView.h"
#include "editor_window/WindowStatusToast.h"
#include "export/ExportController.h"
#include "export/FileDragSource.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QWidget* placeholderHome(QWidget* parent) {
    auto* home = new QLabel(QStringLiteral("No image open"), parent);
    home->setAlignment(Qt::AlignCenter);
    return home;
}

QDialog* placeholderPicker(QWidget* parent) {
    auto* picker = new QDialog(parent);
    picker->setWindowTitle(QStringLiteral("Choose a Window"));
    auto* column = new QVBoxLayout(picker);
    auto* close = new QPushButton(QStringLiteral("Cancel"), picker);
    QObject::connect(close, &QPushButton::clicked, picker, &QDialog::reject);
    column->addWidget(close);
    return picker;
}

// A drag of ours (a drag-out file, a second window of ours) is never opened here.
bool fromUs(const QDropEvent* event) {
    return event->source() != nullptr;
}

} // namespace

EditorView::EditorView(Services services, EditorActions actions, std::function<void(const QUrl&)> importImage,
                       ContextBarHosts hosts, HomeViewFactory homeView, WindowPickerFactory windowPicker,
                       QWidget* parent)
    : QWidget(parent), services_(services), actions_(std::move(actions)), hosts_(std::move(hosts)),
      homeViewFactory_(homeView ? std::move(homeView) : HomeViewFactory(placeholderHome)),
      windowPickerFactory_(windowPicker ? std::move(windowPicker) : WindowPickerFactory(placeholderPicker)),
      dropTarget_(services.model, services.beeper, std::move(importImage)) {
    ButtonReturnKey::install();
    if (actions_.recognizeForRedaction)
        hosts_.startTextRedaction = [recognize = actions_.recognizeForRedaction](
                                        EditorDocument& document, EditorCanvasSettings& settings) {
            settings.startTextRedaction(document, recognize);
        };
    AccessibleGroup::expose(*this, QAccessible::Pane, QStringLiteral("Editor"));
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    toast_ = new WindowStatusToast(services_.model, services_.exporter, services_.accessibility,
                                   services_.icons, this);
    connect(toast_, &WindowStatusToast::sizeChanged, this, &EditorView::placeChildren);
    highlight_ = new DropHighlight(services_.icons, this);

    connect(&services_.model, &CaptureController::documentChanged, this, &EditorView::showDocument);
    connect(&services_.model, &CaptureController::choosingWindowChanged, this, &EditorView::updatePicker);
    connect(&services_.exporter, &ExportController::pendingExportsChanged, this,
            &EditorView::updateExporting);
    actions_.exporting = services_.exporter.pendingExports() > 0;
    showDocument();
    updatePicker();
}

EditorView::~EditorView() = default;

TitlebarInset EditorView::titlebarInset(double topSafeArea) {
    if (!(topSafeArea > 0)) return {};
    return {topSafeArea, 70, 0, 0};
}

void EditorView::showDocument() {
    EditorDocument* document = services_.model.document();
    if (document != nullptr && showingDocument_ && shownDocument_ == document) return;
    if (document == nullptr && !showingDocument_ && home_) return;
    // A drag-out runs a nested event loop from inside the pane: replace it once the drag is back.
    if (pane_) {
        for (FileDragSource* source : pane_->findChildren<FileDragSource*>()) {
            if (!source->dragging()) continue;
            connect(source, &FileDragSource::dragEnded, this, &EditorView::showDocument,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
            return;
        }
    }
    if (pane_) {
        pane_->hide();
        pane_->deleteLater();
    }
    if (home_) {
        home_->hide();
        home_->deleteLater();
    }
    pane_ = nullptr;
    statusBar_ = nullptr;
    home_ = nullptr;
    shownDocument_ = document;
    showingDocument_ = document != nullptr;
    if (document != nullptr) {
        auto* pane = new EditorCanvasPane(*document, actions_.recognizeText.function(),
                                          &services_.accessibility, this);
        // Smart click, colour copying and the edit commands copy and beep through these.
        pane->setServices(services_.clipboard, services_.beeper);
        if (actions_.recognizeForRedaction) pane->setTextRedactionRecognizer(actions_.recognizeForRedaction);
        // Ctrl+C in the canvas is the window's Copy, so that the copy counts as exported.
        pane->canvas().editCommands().copyHandler = [this] {
            actions_.copy();
            return true;
        };
        pane->setToast(messageToast(pane->settings()));
        auto* toolBar = new EditorToolBar(*document, pane->settings(), services_.icons);
        toolBar->setInset(titlebarInset(0));
        pane->setToolBar(toolBar);
        auto* statusBar =
            new EditorStatusBar(*document, pane->settings(), actions_, [pane] { pane->recognize(); }, hosts_,
                                {services_.clipboard, services_.beeper, services_.icons});
        pane->setStatusBar(statusBar);
        connect(statusBar->contextBar(), &StatusContextBar::controlGone, &pane->canvas(),
                [&canvas = pane->canvas()] { canvas.setFocus(Qt::OtherFocusReason); });
        pane_ = pane;
        statusBar_ = statusBar;
        pane->show();
    } else {
        home_ = homeViewFactory_(this);
        home_->show();
    }
    toast_->raise();
    highlight_->raise();
    placeChildren();
}

ToastView* EditorView::messageToast(EditorCanvasSettings& settings) {
    auto* toast = new ToastView(services_.accessibility, services_.icons);
    toast->setSystemImage(QStringLiteral("info.circle"));
    toast->setShowOnAppear(true);
    toast->setMessage(settings.modes().message());
    connect(&settings.modes(), &PaneModes::messageChanged, toast,
            [toast, &settings] { toast->setMessage(settings.modes().message()); });
    return toast;
}

void EditorView::updateExporting() {
    actions_.exporting = services_.exporter.pendingExports() > 0;
    if (statusBar_) statusBar_->setActions(actions_);
}

void EditorView::updatePicker() {
    if (services_.model.isChoosingWindow()) {
        if (picker_) return;
        QDialog* picker = windowPickerFactory_(this);
        picker_ = picker;
        picker->setWindowModality(Qt::WindowModal);
        connect(picker, &QDialog::finished, this, [this] {
            if (QDialog* finished = picker_) finished->deleteLater();
            picker_ = nullptr;
            services_.model.setChoosingWindow(false);
        });
        picker->open();
        return;
    }
    QDialog* picker = picker_;
    if (picker == nullptr) return;
    QPointer<QDialog> closing = picker;
    picker_ = nullptr;
    picker->reject();
    if (QDialog* left = closing) left->deleteLater();
}

void EditorView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChildren();
}

void EditorView::placeChildren() {
    const QRect whole = rect();
    if (pane_) pane_->setGeometry(whole);
    if (home_) home_->setGeometry(whole);
    highlight_->setGeometry(whole);
    const int bottom = showingDocument_ ? toastBottomWithDocument : toastBottomAtHome;
    const int room = std::max(0, whole.width() - 2 * toastSideMargin);
    toast_->setAvailableWidth(room);
    const QSize hint = toast_->sizeHint();
    const int width = std::min(hint.width(), room);
    toast_->setGeometry(toastSideMargin + (room - width) / 2, whole.height() - bottom - hint.height(), width,
                        hint.height());
}

void EditorView::setDropTargeted(bool targeted) {
    dropTargeted_ = targeted;
    highlight_->setVisible(targeted);
    if (targeted) highlight_->raise();
}

void EditorView::dragEnterEvent(QDragEnterEvent* event) {
    if (fromUs(event) || event->mimeData() == nullptr ||
        !ImageDropTarget::accepts(event->mimeData()->formats())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropTargeted(true);
}

void EditorView::dragMoveEvent(QDragMoveEvent* event) {
    if (fromUs(event)) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void EditorView::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTargeted(false);
    event->accept();
}

void EditorView::dropEvent(QDropEvent* event) {
    setDropTargeted(false);
    if (fromUs(event) || event->mimeData() == nullptr) {
        ImageDropTarget::refused("it came from Quorvane or held no data");
        return event->ignore();
    }
    std::shared_ptr<ClipboardOffer> dropped = ImageDropTarget::take(*event->mimeData());
    if (!dropped) {
        ImageDropTarget::refused("it held no image and no list of files");
        return event->ignore();
    }
    // Only data of this process comes this way (other programs' drags come through the drop
    // target): it is read now, so that a drop we cannot use is refused as such.
    ImageDropTarget::Dropped found = ImageDropTarget::read(*dropped);
    if (!ImageDropTarget::opens(found)) {
        event->ignore();
    } else {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
    // The document handover, or the word on why nothing opens, waits for the next turn, after the
    // drop has returned.
    QTimer::singleShot(0, this, [this, found = std::move(found)] { dropTarget_.open(found); });
}

void EditorView::openDropped(std::shared_ptr<ClipboardOffer> dropped, InputHold::Token held) {
    dropTarget_.open(std::move(dropped), std::move(held));
}

void EditorView::giveUpDrop(InputHold::Reason why) {
    dropTarget_.giveUp(why);
}

} // namespace quorvane
