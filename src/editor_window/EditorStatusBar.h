#pragma once

#include "editor_window/ContextBarHosts.h"
#include "editor_window/EditorActions.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>

class QProgressBar;
class QPushButton;
class QToolButton;

namespace quorvane {

class Beeper;
class Clipboard;
class EditorCanvasSettings;
class EditorDocument;
class FileDragHandle;
class IconButton;
class StatusContextBar;
class ValueIconButton;
class SymbolIcons;

// The one-line bar along the bottom of the editor pane: the image size (which opens the resize
// sheet), zoom, the context bar of the current mode, then backdrop, pin, recognise text, the
// drag-out handle, export progress, Copy and Save. It keeps no state of its own.
class EditorStatusBar : public QWidget {
    Q_OBJECT

public:
    struct Services {
        Clipboard& clipboard;
        Beeper& beeper;
        const SymbolIcons& icons;
    };

    static constexpr int height = 32;

    EditorStatusBar(EditorDocument& document, EditorCanvasSettings& settings, EditorActions actions,
                    std::function<void()> recognize, ContextBarHosts hosts, Services services,
                    QWidget* parent = nullptr);

    void setActions(EditorActions actions);
    const EditorActions& actions() const { return actions_; }

    // The final image for a drag, or none (with the reason in the status message) during a review.
    std::optional<QImage> dragImage();

    QPushButton* sizeButton() const { return size_; }
    StatusContextBar* contextBar() const { return context_; }
    ValueIconButton* backdropButton() const { return backdrop_; }
    IconButton* pinButton() const { return pin_; }
    IconButton* recognizeButton() const { return recognize_; }
    FileDragHandle* dragHandle() const { return dragHandle_; }
    QProgressBar* progress() const { return progress_; }
    QPushButton* copyButton() const { return copy_; }
    QToolButton* saveButton() const { return save_; }

private:
    void refresh();
    bool reviewOpen() const;

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    EditorActions actions_;
    Services services_;
    QPushButton* size_ = nullptr;
    StatusContextBar* context_ = nullptr;
    ValueIconButton* backdrop_ = nullptr;
    IconButton* pin_ = nullptr;
    IconButton* recognize_ = nullptr;
    FileDragHandle* dragHandle_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* copy_ = nullptr;
    QToolButton* save_ = nullptr;
};

} // namespace quorvane
