#include "capture/DocumentHandover.h"

#include "core/Log.h"

#include <array>

namespace quorvane {

DocumentHandover::DocumentHandover(QObject* parent) : QObject(parent) {}

DocumentHandover::~DocumentHandover() {
    destroying_ = true;
    dropQuestion();
}

void DocumentHandover::replace(const QImage& image, const std::optional<QString>& name, double pixelScale,
                               Replaced done, std::shared_ptr<bool> withdrawn) {
    if (withdrawn && *withdrawn) return;
    if (asking_) {
        waiting_.push_back([this, image, name, pixelScale, done = std::move(done), withdrawn]() mutable {
            replace(image, name, pixelScale, std::move(done), withdrawn);
        });
        return;
    }
    Q_EMIT aboutToReplaceDocument();
    EditorDocument* current = document_;
    if (current == nullptr || !isDirty(current))
        return install(image, name, pixelScale, Current::dropped, done);
    EditorDocument* previous = previousDocument_;
    if (previous != nullptr && previous != current && isDirty(previous))
        return ask(image, name, pixelScale, std::move(done), std::move(withdrawn));
    install(image, name, pixelScale, Current::keptAsPrevious, done);
}

void DocumentHandover::ask(const QImage& image, const std::optional<QString>& name, double pixelScale,
                           Replaced done, std::shared_ptr<bool> withdrawn) {
    asking_ = true;
    askingFor_ = withdrawn;
    const std::uint64_t question = ++questionID_;
    QPointer<EditorDocument> current = document_;
    QPointer<EditorDocument> previous = previousDocument_;
    const std::array<const void*, 2> asked{current.data(), previous.data()};
    QPointer<DocumentHandover> self(this);
    auto answered = std::make_shared<bool>(false);
    mayDiscardPrevious(previous, [=](bool mayDiscard) {
        DocumentHandover* handover = self.data();
        if (*answered || handover == nullptr || handover->questionID_ != question || !handover->asking_)
            return;
        *answered = true;
        handover->asking_ = false;
        handover->askingFor_.reset();
        // Alive and at the same address is the same object; a deleted one has changed.
        const bool same = handover->document_.data() == current.data() &&
                          current.isNull() == (asked[0] == nullptr) &&
                          handover->previousDocument_.data() == previous.data() &&
                          previous.isNull() == (asked[1] == nullptr);
        if (!same) {
            // The pair changed while the user was asked: the rule decides again.
            handover->replace(image, name, pixelScale, done, withdrawn);
        } else if (!mayDiscard) {
            Log::capture().log("New image not opened: previous document has unexported changes");
            done(std::nullopt);
        } else {
            handover->install(image, name, pixelScale, Current::keptAsPrevious, done);
        }
        handover->runWaiting();
    });
}

void DocumentHandover::withdraw(const std::shared_ptr<bool>& withdrawn) {
    if (!withdrawn) return;
    *withdrawn = true;
    if (askingFor_ == withdrawn) dropQuestion();
}

void DocumentHandover::dropQuestion() {
    if (!asking_) return;
    asking_ = false;
    askingFor_.reset();
    ++questionID_;
    if (!destroying_) runWaiting();
}

void DocumentHandover::runWaiting() {
    while (!asking_ && !waiting_.empty()) {
        auto next = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
        next();
    }
}

void DocumentHandover::install(const QImage& image, const std::optional<QString>& name, double pixelScale,
                               Current current, const Replaced& done) {
    auto* created = new EditorDocument(image, name, pixelScale, this);
    const bool kept = current == Current::keptAsPrevious;
    setDocuments(created, kept ? document_.data() : previousDocument_.data());
    done(kept);
}

void DocumentHandover::swap() {
    setDocuments(previousDocument_.data(), document_.data());
}

void DocumentHandover::setDocuments(EditorDocument* document, EditorDocument* previous) {
    EditorDocument* const before[] = {document_.data(), previousDocument_.data()};
    const bool documentChanged = document_ != document;
    const bool previousChanged = previousDocument_ != previous;
    document_ = document;
    previousDocument_ = previous;
    for (EditorDocument* old : before)
        if (old != nullptr && old != document && old != previous) old->release();
    if (previousChanged) Q_EMIT previousDocumentChanged();
    if (documentChanged) Q_EMIT this->documentChanged();
}

} // namespace quorvane
