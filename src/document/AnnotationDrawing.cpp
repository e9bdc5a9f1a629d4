#include "document/AnnotationDrawing.h"

namespace quorvane {

// No kind is drawn yet: refusing keeps a render from passing off an image without its marks.
bool drawAnnotation(const Annotation&, QPainter&, QImage&) {
    return false;
}

bool drawSpotlights(const std::vector<Annotation>&, QPainter&, QImage&) {
    return false;
}

} // namespace quorvane
