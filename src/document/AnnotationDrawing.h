#pragma once

#include "document/Annotation.h"

#include <QImage>
#include <QPainter>
#include <vector>

namespace quorvane {

// Draws one annotation with `painter`, whose space is base-image pixels; `target` is the image
// being painted, for the kinds that read or replace the pixels beneath (they draw nothing, and a
// magnifier only its ring, when the painter paints something else). The painter's state is left
// as it was. An invalid annotation draws nothing. False only when scratch memory for a blur, a
// magnifier or the spotlight layer cannot be had. Any thread.
bool drawAnnotation(const Annotation& annotation, QPainter& painter, QImage& target);

// The height a text annotation's text takes when drawn `width` pixels wide, each line it wraps
// to counted. Any thread.
double drawnTextHeight(const QString& text, double fontSize, double width);

// The single dimming layer of all valid spotlights among `spotlights`: half-transparent black over
// the clip's bounds with a clear hole for each. False when the layer cannot be allocated.
bool drawSpotlights(const std::vector<Annotation>& spotlights, QPainter& painter, QImage& target);

} // namespace quorvane
