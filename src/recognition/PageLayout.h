#pragma once

// Where the text of a page is and in which order it is read, from one layout analysis: lines cut
// where a gap is too wide to be a space between words (a label and its field, two columns that
// the analysis took for one), then ordered column by column.

#include "platform/TextEngine.h"

#include <QRect>
#include <functional>
#include <vector>

namespace quorvane::PageLayout {

// A run of words of one line, read as one line of text.
struct Piece {
    QRect box;
    int lineHeight = 0;

    bool operator==(const Piece&) const = default;
};

// What the layout needs to know of the page's pixels.
struct PageInk {
    // How wide a gap between two words of a height is empty: 0 when it holds text.
    std::function<int(const QRect&, int)> emptyWidth;
    // Whether two words stand on paper of different colours (two buttons side by side).
    std::function<bool(const QRect&, const QRect&)> apart;
};

// The blocks' lines cut at empty gaps wider than `widestSpace` times the height of their words, where the
// paper changes colour, and around a word far taller than the others (an icon the analysis took for a word).
// Specks far lower than the words do not make pieces. A piece lying mostly inside another is part of it.
std::vector<Piece> pieces(const std::vector<TextEngine::Block>& blocks, const PageInk& ink,
                          double widestSpace = 2.5);

// Pieces of one row close together, or with text between them, on the same paper, made one; a
// piece lying mostly inside another made part of it.
std::vector<Piece> joined(std::vector<Piece> pieces, const PageInk& ink, double widestSpace = 2.5);

// `pieces` in reading order: cut at the widest gap, between columns where a gap runs from top to
// bottom and is wide enough and two or more rows stand beside two or more across it, else between
// rows; top to bottom and left to right. A first or last row parted by a gap that makes no true
// columns (a toolbar over shorter lines), a line beside no other across it, and a first or last row
// that stands apart from true columns and does not line up with them (a header of links, a row of
// buttons) are read where they stand, left to right; a line beside a middle row of the others (a
// button beside a message) is read after or before them. A table is read column by column.
std::vector<Piece> readingOrder(std::vector<Piece> pieces);

} // namespace quorvane::PageLayout
