#include "document/BaseImage.h"

#include "document/EdgeColor.h"

namespace quorvane {

QColor BaseImage::edgeColor() const {
    std::call_once(edgeColorOnce_, [this] { edgeColor_ = quorvane::edgeColor(image_); });
    return edgeColor_;
}

} // namespace quorvane
