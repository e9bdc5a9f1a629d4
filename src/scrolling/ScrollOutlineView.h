#pragma once

// One strip of the outline around a scrolling capture's region: a click-through window above
// everything that draws its part of the two-tone band (dark outside, white inside).

#include <QRect>
#include <QWidget>

namespace quorvane {

class ScrollOutlineView : public QWidget {
    Q_OBJECT

public:
    // `strip` and `frame` in global points; the strip is part of the frame's 2-point band.
    ScrollOutlineView(const QRect& strip, const QRect& frame);

    static QString title() { return QStringLiteral("Scrolling Capture Area"); }

    // The band of a `frame`-sized outline, drawn in `frame`'s coordinates.
    static void paintBand(QPainter& painter, const QRectF& frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect frame_;
};

} // namespace quorvane
