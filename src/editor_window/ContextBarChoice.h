#pragma once

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// The one context bar of the status bar, by precedence: the first rule that holds wins.
enum class ContextBar {
    review,
    recognizeText,
    arrow,
    bracket,
    colorSampler,
    ruler,
    crop,
    selection,
    inspector,
    note,
    resetCrop,
    empty,
};

ContextBar chooseContextBar(const EditorCanvasSettings& settings, const EditorDocument& document);

} // namespace quorvane
