#pragma once

// The heads-up panel's preview: the newest stitched rows fitted into the box, or, before the
// first preview, an arrow in the capture's direction.

#include "scrolling/AutoScrollDirection.h"

#include <QImage>
#include <QWidget>
#include <optional>

namespace quorvane {

class ScrollHUDPreviewBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString hudValue READ accessibilityValue)

public:
    explicit ScrollHUDPreviewBox(QWidget* parent = nullptr);

    void setContent(const std::optional<QImage>& preview, AutoScrollDirection orientation, int height);

    // "3400 pixels tall".
    QString accessibilityValue() const;
    bool showsArrow() const { return !preview_; }
    AutoScrollDirection arrow() const { return orientation_; }
    // Where the preview is drawn, in the box's points.
    QRectF previewRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintArrow(QPainter& painter) const;

    std::optional<QImage> preview_;
    AutoScrollDirection orientation_ = AutoScrollDirection::down;
    int height_ = 0;
};

} // namespace quorvane
