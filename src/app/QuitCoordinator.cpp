#include "app/QuitCoordinator.h"

#include "app/DiscardQuestion.h"
#include "capture/CaptureController.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "export/ExportController.h"

#include <QCoreApplication>
#include <QPointer>

namespace quorvane {

QuitCoordinator::QuitCoordinator(CaptureController& captures, ExportController& exporter,
                                 DiscardQuestion& question, Hooks hooks, QObject* parent)
    : QObject(parent), quit([] { QCoreApplication::quit(); }), commitEditing(std::move(hooks.commitEditing)),
      visibleEditor(std::move(hooks.visibleEditor)), canAsk(std::move(hooks.canAsk)), captures_(captures),
      exporter_(exporter), question_(question) {}

EditorDocument* QuitCoordinator::firstDirty(const std::vector<EditorDocument*>& documents) const {
    for (EditorDocument* document : documents)
        if (document != nullptr && exporter_.hasUnexportedChanges(document)) return document;
    return nullptr;
}

void QuitCoordinator::mayDiscardChanges(const std::vector<EditorDocument*>& documents, const QString& action,
                                        std::function<void(bool)> reply) {
    if (firstDirty(documents) == nullptr) {
        reply(true);
        return;
    }
    question_.ask(visibleEditor(), action, std::move(reply));
}

bool QuitCoordinator::wouldDiscardUnexportedChanges() const {
    EditorDocument* current = captures_.document();
    EditorDocument* previous = captures_.previousDocument();
    return current != nullptr && previous != nullptr && current != previous &&
           exporter_.hasUnexportedChanges(current) && exporter_.hasUnexportedChanges(previous);
}

void QuitCoordinator::requestQuit() {
    if (deciding_ || finished_) return;
    deciding_ = true;
    commitEditing();
    QPointer<QuitCoordinator> self(this);
    exporter_.whenIdle([self] {
        if (self) self->decide();
    });
}

void QuitCoordinator::terminateBySignal() {
    if (finished_) return;
    if (deciding_ || !canAsk()) {
        // Asked twice, or nobody to ask: no question, but pending exports still finish.
        forced_ = true;
        if (question_.isOpen()) {
            question_.dismiss();
            deciding_ = false;
        }
        if (deciding_) return; // the awaited exports decide, now without asking
    }
    requestQuit();
}

void QuitCoordinator::decide() {
    if (finished_) return;
    // Exports started while the answer was awaited are waited for as well.
    if (exporter_.pendingExports() > 0) {
        QPointer<QuitCoordinator> self(this);
        exporter_.whenIdle([self] {
            if (self) self->decide();
        });
        return;
    }
    const std::vector<EditorDocument*> documents = {captures_.document(), captures_.previousDocument()};
    if (firstDirty(documents) == nullptr) {
        finish();
        return;
    }
    if (discardChosen_) {
        finish();
        return;
    }
    if (forced_) {
        Log::app().log("Quit by signal: unexported changes were discarded");
        finish();
        return;
    }
    QPointer<QuitCoordinator> self(this);
    question_.ask(visibleEditor(), QString::fromLatin1(quitAction), [self](bool discard) {
        QuitCoordinator* quitting = self;
        if (quitting == nullptr) return;
        if (discard) {
            // A background save may have started meanwhile; decide again once it is done.
            quitting->discardChosen_ = true;
            quitting->exporter_.whenIdle([self] {
                if (QuitCoordinator* again = self) again->decide();
            });
            return;
        }
        quitting->deciding_ = false;
    });
}

void QuitCoordinator::finish() {
    finished_ = true;
    deciding_ = false;
    quit();
}

} // namespace quorvane
