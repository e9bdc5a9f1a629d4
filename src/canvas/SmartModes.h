#pragma once

// The editor's smart-mode operations on one pane's settings: which tools may use smart selection,
// how a traced selection is shown and spoken, duplicating an annotation (with the erase refusal)
// and copying a sampled colour's text.

#include "canvas/EditorCanvasSettings.h"
#include "platform/Clipboard.h"
#include "recognition/SmartSelection.h"

#include <QString>
#include <QUuid>
#include <set>

namespace quorvane {

class EditorDocument;

class SmartModes {
public:
    SmartModes(EditorCanvasSettings& settings, Clipboard& clipboard);

    // The tools whose smart selection becomes the area of the shape that Return adds.
    static const std::set<AnnotationKind>& smartSelectKinds();

    // Whether a click should start smart selection now.
    bool supportsSmartSelection() const;
    // A region becomes the selection with its size in the status line; a refusal clears the
    // selection and says why; `unavailable` only clears it.
    void showSmartSelection(const SmartSelection::Outcome& outcome);
    // Leaves Redact Text and the area colours.
    void endSmartModes() { settings_.endSmartModes(); }
    // Duplicates the annotation and selects the copy, silently; a refused erase copy says why
    // and keeps the selection.
    void duplicate(const QUuid& id, EditorDocument& document);
    // Puts `text` on the clipboard and confirms.
    void copyColorText(const QString& text);

private:
    void say(const QString& text);

    EditorCanvasSettings& settings_;
    Clipboard& clipboard_;
};

} // namespace quorvane
