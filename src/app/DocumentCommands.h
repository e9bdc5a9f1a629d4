#pragma once

// The commands on the current document: save, save as, copy, choose the folder, reopen the last
// export, restore the previous document, resize, backdrop, open a file, paste; and the one way
// in (importImage) and out (reportImport) for images that were not captured.

#include "core/Required.h"
#include "export/ImageImporter.h"
#include "export/OfferReader.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
class QWidget;

namespace quorvane {

class Beeper;
class CaptureController;
class Clipboard;
class EditorWindow;
class ExportController;
class InputHold;
class QuitCoordinator;
class SheetPresenter;

class DocumentCommands : public QObject {
    Q_OBJECT

public:
    static constexpr const char* openMessage =
        "Choose an image to annotate. Quorvane saves edits as a new file and never changes the original.";

    // What the shell answers.
    struct Hooks {
        // The editor window, or null while there is none.
        Required<EditorWindow*()> editorWindow;
        // Ends text being typed in the editor, before a command reads or replaces the document.
        Required<void()> commitEditing;
    };

    DocumentCommands(CaptureController& captures, ExportController& exporter, QuitCoordinator& quit,
                     Clipboard& clipboard, Beeper& beeper, InputHold& input, Hooks hooks,
                     QObject* parent = nullptr);
    ~DocumentCommands() override;

    Required<EditorWindow*()> editorWindow;

    void saveImage();
    void saveImageAs();
    void copyImage();
    void chooseSaveFolder();
    void reopenLastExport();
    void restorePreviousDocument();
    void resizeImage();
    void editBackdrop();
    void openImage();
    void paste();
    // Reads the image file and opens it, or shows why it cannot.
    void importFile(const QUrl& file);
    void importImage(const QImage& image, const std::optional<QString>& name);
    void reportImport(const ImageImporter::ImportError& error, const QUrl& url = {});

    // The open dialog while it is open, for tests.
    QFileDialog* openDialog() const { return openDialog_; }
    // The editor window's sheets (made with the window).
    SheetPresenter* sheets();

Q_SIGNALS:
    // The editor shows for the Open dialog and for an import's error.
    void editorRequested();

private:
    Required<void()> commitTextEditing;
    CaptureController& captures_;
    ExportController& exporter_;
    QuitCoordinator& quit_;
    Clipboard& clipboard_;
    Beeper& beeper_;
    InputHold& input_;
    QPointer<QFileDialog> openDialog_;
    QString openFolder_;
    QPointer<QWidget> sheetWindow_;
    std::unique_ptr<SheetPresenter> sheets_;
    OfferReader pastes_;
};

} // namespace quorvane
