#pragma once

#include <QAbstractButton>
#include <QPointer>

namespace quorvane {

class ColorPalettePopover;
class EditorCanvasSettings;

// The tool bar's annotation colour: a round swatch of the current colour that opens the palette
// popover. A colour outside the palette is shown as it is and named "Custom".
class ColorWell : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    explicit ColorWell(EditorCanvasSettings& settings, QWidget* parent = nullptr);

    QString accessibilityValue() const;
    bool isOpen() const;
    // The open popover, none while closed.
    ColorPalettePopover* popover() const;

    QSize sizeHint() const override { return {28, 26}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void toggle();

    EditorCanvasSettings& settings_;
    QPointer<ColorPalettePopover> popover_;
};

} // namespace quorvane
