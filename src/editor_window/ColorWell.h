#pragma once

#include <QAbstractButton>
#include <QPointer>

namespace quorvane {

class ColorPalettePopover;
class EditorCanvasSettings;

// The tool bar's annotation colour: a round swatch of the current colour that opens the palette
// popover. A colour outside the palette is shown as it is and named "Custom". Opened by anything
// but the pointer (Space, Return, a screen reader's press), the popover takes the keyboard.
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
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void toggle();
    void colorChanged();

    EditorCanvasSettings& settings_;
    QPointer<ColorPalettePopover> popover_;
    // Within a click of the pointer.
    bool pointerClick_ = false;
};

} // namespace quorvane
