#pragma once

#include <QWidget>
#include <vector>

class QAbstractButton;

namespace quorvane {

class EditorCanvasSettings;

// The colour well's popup: the eight palette colours as round swatches, four a row, the current
// one ringed in the accent colour. Choosing one sets the colour, then closes; a click elsewhere
// closes without a change.
class ColorPalettePopover : public QWidget {
    Q_OBJECT

public:
    ColorPalettePopover(EditorCanvasSettings& settings, QWidget* parent);

    // Opens under `anchor`, centred on it.
    void showBelow(QWidget* anchor);
    // One per palette entry, in palette order; each is named after its entry.
    const std::vector<QAbstractButton*>& swatches() const { return swatches_; }
    // Whether the swatch of palette entry `index` carries the ring.
    bool ringed(std::size_t index) const;

private:
    void choose(std::size_t index);

    EditorCanvasSettings& settings_;
    std::vector<QAbstractButton*> swatches_;
};

} // namespace quorvane
