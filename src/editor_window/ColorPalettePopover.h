#pragma once

#include <QWidget>
#include <optional>
#include <vector>

class QAbstractButton;

namespace quorvane {

class EditorCanvasSettings;

// The colour well's popup: the eight palette colours as round swatches, four a row, the current
// one ringed in the accent colour. Choosing one sets the colour, then closes; a click elsewhere
// or Escape closes without a change. By keyboard, the arrows move through the grid, Space and
// Return choose.
class ColorPalettePopover : public QWidget {
    Q_OBJECT

public:
    // Where the keyboard is when the popover opens: left where it was (opened by the pointer),
    // or on the current colour's swatch, else the first.
    enum class Focus { left, onCurrent };

    ColorPalettePopover(EditorCanvasSettings& settings, QWidget* parent);

    // Opens under `anchor`, centred on it.
    void showBelow(QWidget* anchor, Focus focus = Focus::left);
    // One per palette entry, in palette order; each is named after its entry.
    const std::vector<QAbstractButton*>& swatches() const { return swatches_; }
    // Whether the swatch of palette entry `index` carries the ring.
    bool ringed(std::size_t index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(std::size_t index);
    // The swatch with the keyboard, none before the keyboard came in.
    std::optional<std::size_t> focused() const;
    void focusSwatch(std::size_t index);
    // The current colour's swatch, else the first.
    std::size_t firstFocus() const;

    EditorCanvasSettings& settings_;
    std::vector<QAbstractButton*> swatches_;
};

} // namespace quorvane
