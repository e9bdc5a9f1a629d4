#pragma once

// Highlights and other tinted boxes that cover part of a line of text: a box of one colour that
// darkens the paper around it (a Highlight multiplies the paper by its colour) with text of the
// line's own polarity in it. The engine reads such a line badly (a letter half on the box, the
// box's edge read as a stroke) and its ink tells word boxes nothing; the box divided out, the line
// reads as on plain paper. Boxes with text of the other polarity (a button's light label), with
// rounded corners, or under the whole line are left as they are: the line reads them on their
// own paper.

#include <QImage>
#include <QRect>
#include <optional>
#include <vector>

namespace quorvane::TintedSpans {

// `flat` (RGBX8888, the image as given on white) with every tinted box that covers part of one of
// `lines` (line boxes that layout analysis found) turned into the paper around it; none when
// there is no such box.
std::optional<QImage> flattened(const QImage& flat, const std::vector<QRect>& lines);

} // namespace quorvane::TintedSpans
