#pragma once

#include "imaging/SampledColor.h"

#include <QWidget>

namespace quorvane {

// A 14 × 14 chip of a sampled colour with a faint inner border, alpha included.
class ColorSwatch : public QWidget {
    Q_OBJECT

public:
    explicit ColorSwatch(const SampledColor& color, QWidget* parent = nullptr);

    const SampledColor& color() const { return color_; }
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SampledColor color_;
};

} // namespace quorvane
