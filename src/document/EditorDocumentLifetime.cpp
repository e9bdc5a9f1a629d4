// How long a document lives: until its owner released it and the last hold on it is gone.

#include "document/EditorDocument.h"

namespace quorvane {

EditorDocument::KeepAlive EditorDocument::keepAlive() {
    ++holds_;
    // The owner may delete the document outright (its parent goes); the pointer notices.
    return KeepAlive(nullptr, [document = QPointer<EditorDocument>(this)](void*) {
        EditorDocument* alive = document.data();
        if (alive == nullptr) return;
        if (--alive->holds_ == 0 && alive->released_) alive->deleteLater();
    });
}

void EditorDocument::release() {
    if (released_) return;
    released_ = true;
    if (holds_ == 0) deleteLater();
}

} // namespace quorvane
