#pragma once

#include "panels/ColorScheme.h"
#include "panels/QuorvaneArt.h"

#include <QWidget>
#include <utility>

namespace quorvane {

// The home view's decorative background: four large, faint fronds that scale with the view.
// It takes no clicks and is hidden from assistive technology.
class QuorvaneBackdrop : public QWidget {
    Q_OBJECT

public:
    explicit QuorvaneBackdrop(QWidget* parent = nullptr);

    // Each frond with its rectangle as fractions of the canvas (the first reaches past the left).
    static const std::array<std::pair<QuorvaneArt::Frond, QRectF>, 4>& fronds();
    // sRGB (0.22, 0.62, 0.30) at 0.16 on dark and 0.10 on light.
    static QColor color(ColorScheme scheme);
    static void paint(QPainter& painter, const QSizeF& size, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

} // namespace quorvane
