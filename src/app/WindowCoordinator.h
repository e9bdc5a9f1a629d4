#pragma once

// The program's own windows: the editor and Recognized Text windows made on first use and
// reused, how they are shown, the editor's size for its document, and whether the program
// counts as "active with a window" (the activation policy, kept as state: an application
// icon has no counterpart here).

#include "app/EditorWindow.h"
#include "app/EditorWindowLayout.h"
#include "app/RecognizedTextWindow.h"
#include "core/Required.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane {

class AccessibilityOptions;
class EditorView;
class OCRController;
class CaptureController;

class WindowCoordinator : public QObject {
    Q_OBJECT

public:
    enum class ActivationPolicy { accessory, regular };

    // `makeEditorView` makes the editor's view at its first show.
    WindowCoordinator(CaptureController& captures, OCRController& ocr,
                      const AccessibilityOptions& accessibility, Required<EditorView*()> makeEditorView,
                      QObject* parent = nullptr);
    ~WindowCoordinator() override;

    void presentEditor();
    // The program asked for again from outside (a later start, a file): an open area picker comes
    // to the front with the keyboard, since the editor over it would take its Escape; otherwise
    // the editor shows.
    void reopen();
    void presentRecognizedText();
    // The editor window, or null before its first show.
    EditorWindow* editorWindow() const { return editor_; }
    RecognizedTextWindow* recognizedTextWindow() const { return ocrWindow_; }
    // The settings window, once the settings form registers it; it gets its menu bar then.
    void setSettingsWindow(QWidget* window);
    // Shows the registered settings window the way the other windows are shown.
    void presentSettings();

    // Ends text being typed in the editor, written into its document: before anything copies,
    // saves, pins, replaces or drops the document, and as the window closes.
    void commitTextEditing();

    // The editor's id while it is visible and not minimised: captures include it.
    std::vector<std::uint32_t> includedWindowIDs() const;
    // The editor when it is visible, else null.
    QWidget* visibleEditor() const;
    // Refits the editor to the current document (none: the empty editor); `animated` slides it
    // unless Reduce Motion is on.
    void fitEditor(EditorWindowLayout::Motion motion = EditorWindowLayout::Motion::immediate);
    // Hide Quorvane: every window of ours, but never the tray icon.
    void hideAll();
    // Hides the editor after a save that asked for it.
    void hideEditor();

    ActivationPolicy activationPolicy() const { return policy_; }
    void updateActivationPolicy(const QWidget* excluding = nullptr);

Q_SIGNALS:
    void activationPolicyChanged();
    // The program became the active one.
    void becameActive();
    // Each window as it is made, so that it gets its menu bar.
    void windowCreated(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(QWidget& window);
    void setPolicy(ActivationPolicy policy);
    std::vector<QWidget*> windows() const;

    CaptureController& captures_;
    OCRController& ocr_;
    const AccessibilityOptions& accessibility_;
    Required<EditorView*()> makeEditorView_;
    // Fitted before the window manager framed it: placed again once the frame is known.
    bool refitWhenFramed_ = false;
    QPointer<EditorWindow> editor_;
    QPointer<RecognizedTextWindow> ocrWindow_;
    QPointer<QWidget> settingsWindow_;
    ActivationPolicy policy_ = ActivationPolicy::accessory;
};

} // namespace quorvane
