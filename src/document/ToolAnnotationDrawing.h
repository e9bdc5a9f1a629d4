#pragma once

#include "document/Annotation.h"

#include <QImage>
#include <QPainter>

namespace quorvane::detail {

// A disc in the annotation's colour ringed in its counter ink, with its number centred.
void drawCounter(const Annotation& annotation, QPainter& painter);
// The pixels already under the lens, magnified, inside its ring; only the ring when the pixels
// cannot be read. False when the magnified copy cannot be allocated.
bool drawMagnifier(const Annotation& annotation, QPainter& painter, QImage& target);

} // namespace quorvane::detail
