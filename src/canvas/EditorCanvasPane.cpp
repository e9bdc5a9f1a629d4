#include "canvas/EditorCanvasPane.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/CanvasPaneWiring.h"
#include "canvas/CanvasToast.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/PrecisionTools.h"
#include "canvas/SmartModes.h"
#include "core/AccessibilityOptions.h"
#include "document/EditorDocument.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace quorvane {
namespace {

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    AccessibleGroup::markDecoration(*line);
    return line;
}

} // namespace

EditorCanvasPane::EditorCanvasPane(EditorDocument& document,
                                   std::function<void(const QImage&, const QString&)> recognizeText,
                                   const AccessibilityOptions* accessibility, QWidget* parent)
    : QWidget(parent), document_(&document), recognizeText_(std::move(recognizeText)) {
    settings_.recognizeHandler = recognizeText_;
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Screenshot editor"));
    if (accessibility != nullptr)
        settings_.increaseContrast = [options = QPointer<const AccessibilityOptions>(accessibility)] {
            const AccessibilityOptions* current = options;
            return current != nullptr && current->increaseContrast();
        };
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    toolBar_ = new QWidget(this);
    statusBar_ = new QWidget(this);
    canvas_ = new EditorCanvasView(document, settings_, this);
    canvas_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    canvas_->setMinimumSize(0, 0);
    layout_->addWidget(toolBar_);
    layout_->addWidget(divider(this));
    layout_->addWidget(canvas_, 1);
    layout_->addWidget(divider(this));
    layout_->addWidget(statusBar_);

    standInToast_ = new CanvasToast(canvas_);
    canvas_->installEventFilter(this);
    connect(&settings_.modes(), &PaneModes::messageChanged, standInToast_,
            [this] { standInToast_->showMessage(settings_.modes().message()); });
    wiring_ = new CanvasPaneWiring(document, settings_, *canvas_, this);
    // Outlines and handles redraw in the new contrast style.
    if (accessibility != nullptr)
        connect(accessibility, &AccessibilityOptions::changed, canvas_, qOverload<>(&QWidget::update));
}

EditorCanvasPane::~EditorCanvasPane() {
    // The view commits an open text edit through the settings, so it goes while they exist.
    delete wiring_;
    delete canvas_;
}

void EditorCanvasPane::setServices(Clipboard& clipboard, Beeper& beeper) {
    canvas_->setSmartModes(nullptr);
    smartModes_ = std::make_unique<SmartModes>(settings_, clipboard);
    canvas_->setSmartModes(smartModes_.get());
    canvas_->setPrecisionTools(std::make_unique<PrecisionTools>(*canvas_, clipboard, beeper));
    canvas_->editCommands().setServices(&clipboard, &beeper);
}

void EditorCanvasPane::setTextRedactionRecognizer(TextRedactionController::Recognize recognize) {
    canvas_->editCommands().startTextRedaction = [this, recognize = std::move(recognize)] {
        if (document_) settings_.startTextRedaction(*document_, recognize);
    };
}

void EditorCanvasPane::setToolBar(QWidget* toolBar) {
    replaceSlot(toolBar_, toolBar);
}

void EditorCanvasPane::setStatusBar(QWidget* statusBar) {
    replaceSlot(statusBar_, statusBar);
}

void EditorCanvasPane::setToast(QWidget* toast) {
    if (toast == nullptr || toast == toast_) return;
    delete standInToast_;
    standInToast_ = nullptr;
    delete toast_;
    toast_ = toast;
    toast->setParent(canvas_);
    // The toast sizes itself to each message; it is placed again whenever it does.
    toast->installEventFilter(this);
    placeToast();
    toast->show();
    toast->raise();
}

void EditorCanvasPane::placeToast() {
    QWidget* toast = toast_;
    if (toast == nullptr) return;
    const QSize hint = toast->sizeHint().boundedTo(canvas_->size());
    toast->setGeometry((canvas_->width() - hint.width()) / 2, canvas_->height() - hint.height() - 12,
                       hint.width(), hint.height());
}

void EditorCanvasPane::replaceSlot(QWidget*& slot, QWidget* widget) {
    if (widget == nullptr || widget == slot) return;
    widget->setParent(this);
    delete layout_->replaceWidget(slot, widget);
    delete slot;
    slot = widget;
}

void EditorCanvasPane::recognize() {
    if (document_ == nullptr) return;
    if (settings_.modes().cropping() && settings_.modes().selection()) {
        settings_.recognizeText(*document_, recognizeText_);
    } else if (settings_.modes().recognizing()) {
        settings_.finishRecognizing(*document_);
    } else {
        settings_.startRecognizing();
    }
}

void EditorCanvasPane::keyPressEvent(QKeyEvent* event) {
    // What a control of the tool bar or the status bar left over comes here.
    const bool apply = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (settings_.modes().textRedaction() != nullptr && plain && (apply || event->key() == Qt::Key_Escape)) {
        canvas_->editCommands().endTextRedaction(apply);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool EditorCanvasPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == canvas_ && standInToast_ != nullptr) standInToast_->place();
        if (watched == canvas_ || (toast_ && watched == toast_)) placeToast();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quorvane
