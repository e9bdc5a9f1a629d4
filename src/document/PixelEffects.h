#pragma once

// The kinds that replace the pixels beneath them. Each works on the integral device-pixel area of
// the annotation's rect and draws nothing unless `painter` paints `target`.

#include "document/Annotation.h"

#include <QImage>
#include <QPainter>

namespace quorvane::detail {

// An opaque fill in the annotation's colour, whatever that colour's alpha.
void drawRedaction(const Annotation& annotation, QPainter& painter, QImage& target);
// A Gaussian of 12 device pixels over the area's own pixels, edges repeated. False when its
// scratch memory cannot be had.
bool drawBlur(const Annotation& annotation, QPainter& painter, QImage& target);
// 12 × 12 blocks from the area's top-left corner, each set to its pixels' rounded mean.
void drawPixelation(const Annotation& annotation, QPainter& painter, QImage& target);

} // namespace quorvane::detail
