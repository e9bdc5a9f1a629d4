#pragma once

#include "document/Annotation.h"

#include <QImage>
#include <QPainter>

namespace quorvane {

// Fills an erase annotation's box with its colour, alpha included, on whole device pixels without
// anti-aliasing; when `painter` paints `target` the colour replaces the pixels (a transparent
// colour leaves the box transparent), elsewhere it is drawn over them. Leaves the painter's
// transform, composition mode and anti-aliasing changed.
void drawErase(const Annotation& annotation, QPainter& painter, QImage& target);

} // namespace quorvane
