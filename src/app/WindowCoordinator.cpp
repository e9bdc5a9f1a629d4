#include "app/WindowCoordinator.h"

#include "app/EditorWindow.h"
#include "app/EditorWindowLayout.h"
#include "app/OCRController.h"
#include "app/RecognizedTextWindow.h"
#include "canvas/EditorCanvasPane.h"
#include "capture/CaptureController.h"
#include "core/AccessibilityOptions.h"
#include "editor_window/EditorView.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace quorvane {

WindowCoordinator::WindowCoordinator(CaptureController& captures, OCRController& ocr,
                                     const AccessibilityOptions& accessibility,
                                     Required<EditorView*()> makeEditorView, QObject* parent)
    : QObject(parent), captures_(captures), ocr_(ocr), accessibility_(accessibility),
      makeEditorView_(std::move(makeEditorView)) {
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) Q_EMIT becameActive();
    });
}

WindowCoordinator::~WindowCoordinator() {
    for (QWidget* window : windows())
        window->removeEventFilter(this);
    delete editor_.data();
    delete ocrWindow_.data();
}

void WindowCoordinator::presentEditor() {
    EditorWindow* editor = editor_;
    if (editor == nullptr) {
        editor = new EditorWindow(makeEditorView_());
        editor_ = editor;
        editor->installEventFilter(this);
        connect(editor, &EditorWindow::closing, this, &WindowCoordinator::commitTextEditing);
        Q_EMIT windowCreated(editor);
        // Centred on the screen it first opens on.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            editor->move(screen->availableGeometry().center() - editor->rect().center());
        fitEditor();
    }
    show(*editor);
}

void WindowCoordinator::reopen() {
    const std::vector<QWidget*> owned = captures_.ownedWindows();
    if (!owned.empty() && owned.front() != nullptr && owned.front()->isVisible()) {
        owned.front()->raise();
        owned.front()->activateWindow();
        return;
    }
    presentEditor();
}

void WindowCoordinator::presentRecognizedText() {
    if (ocrWindow_ == nullptr) {
        ocrWindow_ = new RecognizedTextWindow(ocr_);
        ocrWindow_->installEventFilter(this);
        Q_EMIT windowCreated(ocrWindow_);
    }
    setPolicy(ActivationPolicy::regular);
    ocrWindow_->present();
}

void WindowCoordinator::setSettingsWindow(QWidget* window) {
    settingsWindow_ = window;
    if (window == nullptr) return;
    window->installEventFilter(this);
    Q_EMIT windowCreated(window);
}

void WindowCoordinator::presentSettings() {
    if (settingsWindow_ != nullptr) show(*settingsWindow_);
}

void WindowCoordinator::show(QWidget& window) {
    setPolicy(ActivationPolicy::regular);
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

void WindowCoordinator::commitTextEditing() {
    EditorWindow* editor = editor_;
    if (editor == nullptr) return;
    // A text box ends when it loses the focus, but only while its window is active: asked from
    // a signal, a hot key or the tray, it is told to end directly. The keyboard stays where it
    // is, so that a sheet opened from a button gives it back to that button as it closes.
    if (EditorView* view = editor->view())
        if (EditorCanvasPane* pane = view->pane()) pane->settings().finishOpenText();
}

std::vector<std::uint32_t> WindowCoordinator::includedWindowIDs() const {
    const EditorWindow* editor = editor_;
    if (editor == nullptr || !editor->isVisible() || editor->isMinimized()) return {};
    return {static_cast<std::uint32_t>(editor->winId())};
}

QWidget* WindowCoordinator::visibleEditor() const {
    EditorWindow* editor = editor_;
    return editor != nullptr && editor->isVisible() ? editor : nullptr;
}

void WindowCoordinator::fitEditor(EditorWindowLayout::Motion motion) {
    EditorWindow* editor = editor_;
    if (editor == nullptr) return;
    if (accessibility_.reduceMotion()) motion = EditorWindowLayout::Motion::immediate;
    EditorWindowLayout::fit(*editor, captures_.document(), !captures_.permissionGranted(), motion);
    refitWhenFramed_ = editor->frameGeometry() == editor->geometry();
}

void WindowCoordinator::hideAll() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // The tray icon is a window of Qt's own: hidden, it would be gone for good.
        if (!window->isVisible() || window->inherits("QSystemTrayIconSys")) continue;
        const Qt::WindowType type = window->windowType();
        if (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool || type == Qt::Sheet) window->hide();
    }
    updateActivationPolicy();
}

void WindowCoordinator::hideEditor() {
    if (EditorWindow* editor = editor_) editor->hide();
    updateActivationPolicy();
}

std::vector<QWidget*> WindowCoordinator::windows() const {
    std::vector<QWidget*> all;
    for (QWidget* window : {static_cast<QWidget*>(editor_.data()), settingsWindow_.data(),
                            static_cast<QWidget*>(ocrWindow_.data())})
        if (window != nullptr) all.push_back(window);
    for (QWidget* window : captures_.ownedWindows())
        if (window != nullptr) all.push_back(window);
    return all;
}

void WindowCoordinator::updateActivationPolicy(const QWidget* excluding) {
    for (QWidget* window : windows())
        if (window != excluding && (window->isVisible() || window->isMinimized())) return;
    setPolicy(ActivationPolicy::accessory);
}

void WindowCoordinator::setPolicy(ActivationPolicy policy) {
    if (policy_ == policy) return;
    policy_ = policy;
    Q_EMIT activationPolicyChanged();
}

bool WindowCoordinator::eventFilter(QObject* watched, QEvent* event) {
    // The frame's extents arrive after the window is mapped: keep the framed window on screen.
    const EditorWindow* editor = editor_;
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && refitWhenFramed_ &&
        editor != nullptr && watched == editor && editor->isVisible() &&
        editor->frameGeometry() != editor->geometry()) {
        refitWhenFramed_ = false;
        QTimer::singleShot(0, this, [this] { fitEditor(); });
    }
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        // The Recognized Text window stops its own recognition when it closes.
        updateActivationPolicy(static_cast<QWidget*>(watched));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvane
