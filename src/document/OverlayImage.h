#pragma once

#include <QImage>
#include <memory>

namespace quorvane {

// The pixels of one image overlay. Copies of an annotation, undo states and duplicates share the
// one object; it counts against the overlay budget for as long as any of them holds it.
class OverlayImage {
public:
    // Made by OverlayBudget::admit, which counts it; an overlay made elsewhere escapes the budget.
    explicit OverlayImage(QImage image) : image_(std::move(image)) {}

    const QImage& image() const { return image_; }

private:
    const QImage image_;
};

using OverlayImageRef = std::shared_ptr<const OverlayImage>;

} // namespace quorvane
