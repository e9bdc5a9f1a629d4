#pragma once

#include <QString>

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// The canvas as a screen reader speaks it: "1280 by 720 pixels, fit, Arrow tool", then the
// selection region and the selected annotation when there are.
QString canvasDescription(const EditorDocument& document, const EditorCanvasSettings& settings);

} // namespace quorvane
