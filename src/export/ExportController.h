#pragma once

#include "core/Error.h"
#include "core/Required.h"
#include "core/Result.h"
#include "document/EditorDocument.h"
#include "export/BackgroundExports.h"
#include "export/FileRequest.h"
#include "export/ImageExporterFormat.h"
#include "export/PostCaptureAction.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace quorvane {

class Beeper;
class Clipboard;
class ExportSettings;

// Turns the current document into output on the user's command: the final image on the
// clipboard, a file in the save folder or under a chosen name, the save folder itself, and the
// last saved file read back. Remembers which revision of each document was exported, refuses
// every export while a Redact Text review is open, sends exports with a backdrop or of at least
// `backgroundPixels` to its worker, and reports every outcome as one status text, `message`.
// GUI thread.
class ExportController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QUrl lastURL READ lastURL NOTIFY lastURLChanged)
    Q_PROPERTY(int pendingExports READ pendingExports NOTIFY pendingExportsChanged)

public:
    using DocumentSource = std::function<EditorDocument*()>;
    // Any thread: background work calls its own copy.
    using Renderer = std::function<Result<QImage, Error>(const EditorDocument::Output&)>;
    using Saver = std::function<Result<void, Error>(const QImage& image, const QUrl& destination,
                                                    ImageExporter::Format format, double quality)>;

    // `document` is asked afresh by every operation; `onReopen` makes a reopened image the current
    // document and answers whether it did. The settings, clipboard and beeper must outlive the
    // controller.
    ExportController(DocumentSource document, ExportSettings& settings, Clipboard& clipboard, Beeper& beeper,
                     Required<bool(const QImage&)> onReopen, QObject* parent = nullptr);
    ~ExportController() override;

    Required<bool(const QImage&)> onReopen;
    // Seams, the real ones by default.
    // The save and folder choosers; the real dialogs by default.
    FileChooser chooser;
    // Render and save steps, replaceable so that tests can hold or fail them.
    Renderer renderer;
    Saver saver;

    // Final pixel count from which exports go to the worker.
    double backgroundPixels = 8'000'000;

    QString message() const { return message_; }
    const QUrl& lastURL() const { return lastURL_; }
    int pendingExports() const;
    ExportSettings& settings() const { return settings_; }

    // Whether a refusal beeps here, or its caller beeps for it.
    enum class RefusalSound { beep, callerBeeps };
    // True, after the message (and a beep), while a Redact Text review is open on `document`.
    bool refusesExport(EditorDocument* document, RefusalSound sound = RefusalSound::beep);
    bool hasUnexportedChanges(const EditorDocument* document) const;
    // Records `revision` as exported unless a later one already is, then announces exported().
    void markExported(EditorDocument& document, qint64 revision);
    bool rendersInBackground(const EditorDocument& document) const;

    // Whether an export with a backdrop or of at least `backgroundPixels` goes to the worker.
    enum class Encoding { mayUseWorker, onGUIThread };
    // Whether a save hides the editor when the settings ask for it (the post-capture save never does).
    enum class AfterSave { hideEditorIfSet, keepEditor };

    // Done once the export is written or handed to the worker; the failure has been reported.
    Result<void, Error> copyFinal(Encoding encoding);
    Result<void, Error> saveToFolder(AfterSave after, Encoding encoding);
    void saveAs(QWidget* window);
    void chooseFolder(QWidget* window);
    bool reopenLast();
    // Whether the caller must open the editor.
    bool finishCapture(PostCaptureAction action);
    // Asks for a name, then writes the before/after GIF of the current document there.
    void exportBeforeAfterGIF(QWidget* window);

    // Runs `handler` once no export is in flight (the shell's quit waits so).
    void whenIdle(std::function<void()> handler);

Q_SIGNALS:
    void messageChanged();
    void lastURLChanged();
    void pendingExportsChanged();
    // Re-sent from the export settings.
    void settingsChanged();
    // After a save that should hide the editor.
    void hideEditorRequested();
    // After every successful copy or save of a document.
    void exported();

private:
    struct SaveTarget {
        QUrl destination;
        ImageExporter::Format format = ImageExporter::Format::png;
        double quality = 0.9;
        // A folder that is missing is made first.
        bool createFolder = false;
    };

    // "Quorvane.Export" code 2.
    static Error noDocument();
    // "Quorvane.Export" code 5.
    static Error reviewOpen();
    void setMessage(const QString& message);
    // Logs and reports a failed step; `report` false (a superseded request) only logs.
    void fail(std::optional<ImageExporter::Format> format, const Error& error, bool report = true);
    Result<void, Error> perform(std::optional<ImageExporter::Format> format,
                                const std::function<Result<void, Error>()>& step);
    Result<void, Error> copyStep(EditorDocument* document);
    Result<void, Error> saveStep(EditorDocument* document, const SaveTarget& target, AfterSave after);
    void copyInBackground(EditorDocument& document, std::uint64_t request);
    void saveInBackground(EditorDocument& document, const SaveTarget& target, AfterSave after,
                          std::uint64_t request);
    void finishSaveAs(EditorDocument* document, const QString& path, ImageExporter::Format format,
                      double quality);
    void didSave(const QUrl& file, QSize size, ImageExporter::Format format, AfterSave after, bool newest);
    void finishBeforeAfterGIF(EditorDocument* document, const QString& path);

    DocumentSource document_;
    ExportSettings& settings_;
    Clipboard& clipboard_;
    Beeper& beeper_;
    QString message_;
    QUrl lastURL_;
    // Keyed by documents that are alive: an entry goes with its document, so a new document at
    // the same address never inherits it.
    QHash<const EditorDocument*, qint64> exportedRevisions_;
    std::uint64_t copyRequest_ = 0;
    std::uint64_t saveRequest_ = 0;
    BackgroundExports* background_;
};

} // namespace quorvane
