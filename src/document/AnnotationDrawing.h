#pragma once

#include "document/Annotation.h"

#include <QImage>
#include <QPainter>
#include <vector>

namespace quorvane {

// Draws one annotation with `painter`, whose space is base-image pixels; `target` is the image
// being painted, for the kinds that read the pixels beneath. False when it cannot be drawn.
bool drawAnnotation(const Annotation& annotation, QPainter& painter, QImage& target);

// The single dimming layer of all `spotlights`, in their order. False when it cannot be drawn.
bool drawSpotlights(const std::vector<Annotation>& spotlights, QPainter& painter, QImage& target);

} // namespace quorvane
