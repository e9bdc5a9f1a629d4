#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>

namespace quorvane {

// One colour of the palette popover: a 22-point disc, with a 3-point accent ring just outside it
// when current. Its tool tip, the colour's name, is its name to a screen reader, not read again.
class PaletteSwatch : public QAbstractButton {
    Q_OBJECT

public:
    PaletteSwatch(QColor color, std::function<bool()> current, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    std::function<bool()> current_;
};

} // namespace quorvane
