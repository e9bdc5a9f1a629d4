#pragma once

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// Crop mode of one pane: turning it on and off, and cropping the document to the selection.
class CropMode {
public:
    explicit CropMode(EditorCanvasSettings& settings) : settings_(settings) {}

    // Ends recognise-text mode and the smart modes, then flips crop mode with a clean slate.
    void toggle();
    // Crops to the selection and leaves the mode; an unusable selection leaves both as they are
    // and says so.
    void apply(EditorDocument& document);

private:
    EditorCanvasSettings& settings_;
};

} // namespace quorvane
