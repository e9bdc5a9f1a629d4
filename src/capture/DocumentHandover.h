#pragma once

// The one rule every new document passes (captured, opened, reopened, stitched): a replaced
// document with unexported changes is kept as the previous document; when the previous one has
// unexported changes too, the user is asked, and a refusal keeps both. It owns the documents.
// A dropped document is released on a later turn, since a pane, a text edit or a drag may still
// be using it. One question at a time: replacements that arrive while one is out wait for its
// answer. GUI thread.

#include "document/EditorDocument.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class DocumentHandover : public QObject {
    Q_OBJECT

public:
    // Whether the old document was kept as the previous one; none when the user refused.
    using Replaced = std::function<void(std::optional<bool> kept)>;

    explicit DocumentHandover(QObject* parent = nullptr);
    ~DocumentHandover() override;

    EditorDocument* document() const { return document_; }
    EditorDocument* previousDocument() const { return previousDocument_; }
    // A question about the previous document is out.
    bool isAsking() const { return asking_; }

    std::function<bool(EditorDocument*)> isDirty = [](EditorDocument*) { return false; };
    // Replies once, now or later.
    std::function<void(EditorDocument* previous, std::function<void(bool mayDiscard)> reply)>
        mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> reply) { reply(true); };

    // `done` learns the outcome once, unless `withdrawn` is set first (then never).
    void replace(const QImage& image, const std::optional<QString>& name, double pixelScale, Replaced done,
                 std::shared_ptr<bool> withdrawn = {});
    // Takes back the image of a replacement; drops its question when that is the one out.
    void withdraw(const std::shared_ptr<bool>& withdrawn);
    // The previous document becomes the open one and the open one the previous.
    void swap();

Q_SIGNALS:
    // A replacement is about to decide; the open document may still change (text being typed).
    void aboutToReplaceDocument();
    // After both fields hold their new values; the document last.
    void previousDocumentChanged();
    void documentChanged();

private:
    void ask(const QImage& image, const std::optional<QString>& name, double pixelScale, Replaced done,
             std::shared_ptr<bool> withdrawn);
    // What becomes of the open document when a new one is installed.
    enum class Current { dropped, keptAsPrevious };
    void install(const QImage& image, const std::optional<QString>& name, double pixelScale, Current current,
                 const Replaced& done);
    void setDocuments(EditorDocument* document, EditorDocument* previous);
    void dropQuestion();
    void runWaiting();

    QPointer<EditorDocument> document_;
    QPointer<EditorDocument> previousDocument_;
    bool asking_ = false;
    std::uint64_t questionID_ = 0;
    // The withdrawal flag of the replacement whose question is out.
    std::shared_ptr<bool> askingFor_;
    std::vector<std::function<void()>> waiting_;
    bool destroying_ = false;
};

} // namespace quorvane
