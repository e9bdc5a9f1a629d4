#pragma once

// How one image is cut into pieces that engines recognise side by side.

#include <QRect>
#include <QSize>
#include <vector>

namespace quorvane::RecognitionBands {

// A piece of the image and the part of it whose lines it reports: pieces overlap so that a line
// cut by one piece's edge is whole in its neighbour, and each line belongs to one piece only.
struct Band {
    QRect area;
    QRect owned;

    bool operator==(const Band&) const = default;
};

// The engine cannot take a side longer than this.
inline constexpr int longestSide = 32767;

// Overlapping bands along the long side of `size`, each at most `length` long; the whole image
// when it fits.
std::vector<Band> alongLongSide(QSize size, int length = 16384, int overlap = 512);

// Up to `count` horizontal strips of `area` cut in the gaps between the rows of `lines` (text
// line boxes), balanced by the lines' area, so that no line is cut. One strip when there is no
// gap to cut in.
std::vector<QRect> betweenLines(const QRect& area, std::vector<QRect> lines, int count);

} // namespace quorvane::RecognitionBands
