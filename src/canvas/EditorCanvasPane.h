#pragma once

#include "canvas/EditorCanvasSettings.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QVBoxLayout;

namespace quorvane {

class AccessibilityOptions;
class Beeper;
class Clipboard;
class SmartModes;
class CanvasPaneWiring;
class CanvasToast;
class EditorCanvasView;
class EditorDocument;

// The editing area of the editor window, top to bottom: the tool bar, the canvas with the status
// toast over its bottom, and the status bar. It owns the pane's settings for its life and the
// canvas view of its one document. The window hands in its tool bar and status bar. While a Redact
// Text review is open, Escape ends it and Return applies it wherever the keyboard is in the pane,
// unless the control there takes the key itself (a push button presses on Return, a menu closes on
// Escape).
class EditorCanvasPane : public QWidget {
    Q_OBJECT

public:
    // `recognizeText` receives an image to recognise and its source label.
    // With `accessibility`, outlines and handles follow its Increase Contrast.
    EditorCanvasPane(EditorDocument& document,
                     std::function<void(const QImage&, const QString&)> recognizeText,
                     const AccessibilityOptions* accessibility = nullptr, QWidget* parent = nullptr);
    ~EditorCanvasPane() override;

    EditorCanvasSettings& settings() { return settings_; }
    EditorCanvasView& canvas() { return *canvas_; }
    // Replaces the widget in the tool bar's or the status bar's place; the pane takes it.
    void setToolBar(QWidget* toolBar);
    void setStatusBar(QWidget* statusBar);
    // Puts `toast` over the bottom of the canvas in place of the plain stand-in that shows the
    // settings' messages: the pane takes it and keeps it centred 12 points above the canvas's
    // bottom at its size hint; the caller feeds it the messages.
    void setToast(QWidget* toast);
    // The status bar's recognise control: recognises a crop selection at once, finishes
    // recognise-text mode, or starts it.
    void recognize();
    // The system services copying and refusals need: smart click, colour copies and Copy use
    // them. Both must outlive the pane.
    void setServices(Clipboard& clipboard, Beeper& beeper);
    // The recogniser Redact Text reads the document with (automatic language).
    void setTextRedactionRecognizer(TextRedactionController::Recognize recognize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void replaceSlot(QWidget*& slot, QWidget* widget);
    void placeToast();

    QPointer<EditorDocument> document_;
    std::function<void(const QImage&, const QString&)> recognizeText_;
    EditorCanvasSettings settings_;
    QVBoxLayout* layout_ = nullptr;
    QWidget* toolBar_ = nullptr;
    QWidget* statusBar_ = nullptr;
    EditorCanvasView* canvas_ = nullptr;
    CanvasToast* standInToast_ = nullptr;
    QPointer<QWidget> toast_;
    CanvasPaneWiring* wiring_ = nullptr;
    std::unique_ptr<SmartModes> smartModes_;
};

} // namespace quorvane
