#pragma once

// The shell's side of the floating thumbnail: it shows the final image of a new capture, keeps
// the thumbnail bound to that document (an edit or a replacement dismisses it), runs its quick
// actions only while it still shows the current document, and says which exports may leave it.

#include "core/Error.h"
#include "core/Result.h"
#include "panels/ThumbnailAction.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace quorvane {

class Beeper;
class CaptureController;
class EditorDocument;
class ExportController;
class ThumbnailController;

class ThumbnailCommands : public QObject {
    Q_OBJECT

public:
    // Everything passed outlives the commands.
    ThumbnailCommands(ThumbnailController& thumbnails, CaptureController& captures,
                      ExportController& exporter, Beeper& beeper, QObject* parent = nullptr);
    ~ThumbnailCommands() override;

    // Renders the current document and shows it on the pointer's screen. Fails, showing nothing,
    // without a document or when rendering fails: the caller opens the editor instead.
    Result<void, Error> showThumbnail();
    // The shown document is still the current one, at the revision shown.
    bool matchesDocument() const;
    // The thumbnail's actions (the shell hands them to it): its Copy, and whether an export may
    // leave it.
    bool copy();
    bool mayExport(std::optional<ThumbnailAction> action);

Q_SIGNALS:
    void editRequested();
    void pinRequested();

private:
    void bind(EditorDocument& document);
    void unbind();
    void checkBinding();
    // Runs `body` only while the thumbnail shows the current document; else dismisses it and
    // beeps. Answers whether it ran.
    bool guarded(const std::function<void()>& body);

    ThumbnailController& thumbnails_;
    CaptureController& captures_;
    ExportController& exporter_;
    Beeper& beeper_;
    QPointer<EditorDocument> document_;
    qint64 revision_ = 0;
    QMetaObject::Connection documentWatch_;
    QMetaObject::Connection revisionWatch_;
};

} // namespace quorvane
