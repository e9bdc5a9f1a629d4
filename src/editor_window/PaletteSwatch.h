#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>

namespace quorvane {

// One colour of the palette popover: a 22-point disc, with a 3-point accent ring just outside it
// when current. Its tool tip, the colour's name, is its name to a screen reader, not read again.
// With the keyboard it shows a ring inside the disc, in black or white against the colour; with
// Increase Contrast a wider one, black edged in white, that shows on any colour. The arrow keys
// go to the popover, which moves through its grid.
class PaletteSwatch : public QAbstractButton {
    Q_OBJECT

public:
    PaletteSwatch(QColor color, std::function<bool()> current, std::function<bool()> increaseContrast,
                  QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor color_;
    std::function<bool()> current_;
    std::function<bool()> increaseContrast_;
};

} // namespace quorvane
