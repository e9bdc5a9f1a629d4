#include "recognition/PageLayout.h"

#include <algorithm>
#include <cstdlib>

namespace quorvane::PageLayout {

namespace {

// A gap between columns is at least this many line heights wide; narrower ones are spaces
// inside a row.
constexpr double columnGap = 1.5;
// Gaps nearly as wide as the widest are cut at once, so that a long column of evenly spaced
// lines is not taken apart one line at a time.
constexpr double nearlyWidest = 0.9;
// A word this many times taller than the others of its line is an icon or a picture.
constexpr double tallWord = 2.5;
// A word this many times lower than the others of its line is a speck: a point, a dash.
constexpr int speck = 3;

int start(const QRect& box, Qt::Orientation across) {
    return across == Qt::Horizontal ? box.left() : box.top();
}
int end(const QRect& box, Qt::Orientation across) {
    return across == Qt::Horizontal ? box.left() + box.width() : box.top() + box.height();
}

// Cuts `items` where nothing covers a stretch at least `least` wide along `across`, at the widest
// such stretches; empty when there is none.
std::vector<std::vector<Piece>> cut(std::vector<Piece> items, Qt::Orientation across, int least) {
    std::sort(items.begin(), items.end(), [&](const Piece& a, const Piece& b) {
        return std::pair(start(a.box, across), end(a.box, across)) <
               std::pair(start(b.box, across), end(b.box, across));
    });
    std::vector<std::pair<std::size_t, int>> gaps; // index that starts after the gap, width
    int reach = end(items[0].box, across), widest = 0;
    for (std::size_t i = 1; i < items.size(); ++i) {
        const int gap = start(items[i].box, across) - reach;
        if (gap >= std::max(1, least)) gaps.emplace_back(i, gap), widest = std::max(widest, gap);
        reach = std::max(reach, end(items[i].box, across));
    }
    if (gaps.empty()) return {};
    std::vector<std::vector<Piece>> parts(1);
    std::size_t next = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (next < gaps.size() && gaps[next].first == i) {
            if (gaps[next].second >= widest * nearlyWidest) parts.emplace_back();
            ++next;
        }
        parts.back().push_back(items[i]);
    }
    return parts;
}

// Two boxes share a row when most of the lower one lies beside the other.
bool sameRow(const QRect& a, const QRect& b) {
    const int shared = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
    return 2 * shared >= std::min(a.height(), b.height());
}

// The analysis sometimes puts the two halves of one line in two blocks and loses the letters
// between them; pieces of one row close together, or with text between them, on the same paper,
// are one line.
void joinAcrossBlocks(std::vector<Piece>& pieces, const PageInk& ink, double widestSpace) {
    for (bool joined = true; joined;) {
        joined = false;
        std::sort(pieces.begin(), pieces.end(),
                  [](const Piece& a, const Piece& b) { return a.box.left() < b.box.left(); });
        for (std::size_t i = 0; i < pieces.size() && !joined; ++i) {
            // The nearest piece to the right on the same row.
            std::size_t next = pieces.size();
            for (std::size_t j = i + 1; j < pieces.size(); ++j)
                if (pieces[j].box.left() > pieces[i].box.right() && sameRow(pieces[i].box, pieces[j].box) &&
                    (next == pieces.size() || pieces[j].box.left() < pieces[next].box.left()))
                    next = j;
            if (next == pieces.size()) continue;
            const Piece &a = pieces[i], &b = pieces[next];
            const int height = std::max(a.lineHeight, b.lineHeight);
            const int gap = b.box.left() - (a.box.left() + a.box.width());
            if (std::max(a.box.height(), b.box.height()) >
                tallWord * std::min(a.box.height(), b.box.height()))
                continue;
            const QRect between(a.box.left() + a.box.width(), std::min(a.box.top(), b.box.top()), gap,
                                std::max(a.box.bottom(), b.box.bottom()) -
                                    std::min(a.box.top(), b.box.top()) + 1);
            if ((gap > widestSpace * height && ink.emptyWidth(between, height) > widestSpace * height) ||
                ink.apart(a.box, b.box))
                continue;
            pieces[i] = {a.box | b.box, height};
            pieces.erase(pieces.begin() + std::ptrdiff_t(next));
            joined = true;
        }
    }
}

// Two boxes are beside each other when they share a row of pixels.
bool beside(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

// The rows of `items`: runs of lines that overlap, top to bottom.
std::vector<std::vector<Piece>> rowsOf(std::vector<Piece> items) {
    std::sort(items.begin(), items.end(), [](const Piece& a, const Piece& b) {
        return std::pair(a.box.top(), a.box.bottom()) < std::pair(b.box.top(), b.box.bottom());
    });
    std::vector<std::vector<Piece>> rows;
    int reach = 0;
    for (const Piece& piece : items) {
        if (rows.empty() || piece.box.top() > reach) rows.emplace_back(), reach = piece.box.bottom();
        rows.back().push_back(piece);
        reach = std::max(reach, piece.box.bottom());
    }
    return rows;
}

bool holds(const std::vector<Piece>& pieces, const Piece& piece) {
    return std::find(pieces.begin(), pieces.end(), piece) != pieces.end();
}

// How many rows of `columns[i]` stand beside a line of another column, and how many rows of the
// others stand beside one of it.
std::pair<int, int> besideCounts(const std::vector<std::vector<Piece>>& columns, std::size_t i) {
    std::vector<Piece> others;
    for (std::size_t j = 0; j < columns.size(); ++j)
        if (j != i) others.insert(others.end(), columns[j].begin(), columns[j].end());
    const auto besideAny = [](const std::vector<Piece>& row, const std::vector<Piece>& pieces) {
        return std::any_of(row.begin(), row.end(), [&](const Piece& piece) {
            return std::any_of(pieces.begin(), pieces.end(),
                               [&](const Piece& other) { return beside(piece.box, other.box); });
        });
    };
    int mine = 0, theirs = 0;
    for (const auto& row : rowsOf(columns[i]))
        mine += besideAny(row, others);
    for (const auto& row : rowsOf(others))
        theirs += besideAny(row, columns[i]);
    return {mine, theirs};
}

// The part of `columns` that holds `piece`.
std::size_t partOf(const std::vector<std::vector<Piece>>& columns, const Piece& piece) {
    return std::size_t(std::find_if(columns.begin(), columns.end(),
                                    [&](const auto& column) { return holds(column, piece); }) -
                       columns.begin());
}

// A part of a cut between columns is a true column when two or more of its rows stand beside two
// or more rows of the others. Where none is, the cut only parted the words of rows: a first or
// last row across it (a toolbar whose right end stands over the shorter lines of the text below
// it, a row of buttons) is read where it stands, while a line beside a middle row of the others (a
// button beside a message, a label beside a paragraph) is read with its part, before or after
// them. Where some are, a part beside none (a centred button between a line above and a field
// below, narrower than the gap their text leaves) is no column: the rows it stands in are cut from
// the rest, so that it is read where it stands. Empty when the columns are true ones, or when all
// the lines make one row, which is read part by part, left to right.
std::vector<std::vector<Piece>> rowsAroundLonelyParts(const std::vector<std::vector<Piece>>& columns) {
    std::vector<std::pair<int, int>> counts;
    bool anyColumn = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        counts.push_back(besideCounts(columns, i));
        anyColumn = anyColumn || (counts[i].first >= 2 && counts[i].second >= 2);
    }
    std::vector<Piece> lonely, items;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (counts[i].first == 0) lonely.insert(lonely.end(), columns[i].begin(), columns[i].end());
        items.insert(items.end(), columns[i].begin(), columns[i].end());
    }
    const auto rows = rowsOf(items);
    const auto across = [&](const std::vector<Piece>& row) {
        return std::any_of(row.begin(), row.end(),
                           [&](const Piece& p) { return partOf(columns, p) != partOf(columns, row[0]); });
    };
    // A row holding a lonely line, or an outer row across a cut that made no columns, is a part of
    // its own; rows of the others stay together, to be read column by column.
    std::vector<std::vector<Piece>> parts;
    bool apartRow = false;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const bool apart =
            std::any_of(rows[r].begin(), rows[r].end(), [&](const Piece& p) { return holds(lonely, p); }) ||
            (!anyColumn && (r == 0 || r + 1 == rows.size()) && across(rows[r]));
        if (parts.empty() || apart || apartRow) parts.emplace_back();
        parts.back().insert(parts.back().end(), rows[r].begin(), rows[r].end());
        apartRow = apart;
    }
    if (parts.size() < 2) return {};
    return parts;
}

// Whether `piece` lines up with a line of `column` outside `row`, on the left, the right or the
// middle, within `slack`.
bool linesUp(const Piece& piece, const std::vector<Piece>& column, const std::vector<Piece>& row, int slack) {
    const QRect& a = piece.box;
    return std::any_of(column.begin(), column.end(), [&](const Piece& other) {
        const QRect& b = other.box;
        return !holds(row, other) &&
               (std::abs(a.left() - b.left()) <= slack || std::abs(a.right() - b.right()) <= slack ||
                std::abs((a.left() + a.right()) - (b.left() + b.right())) <= 2 * slack);
    });
}

// The first and last rows of true columns that are rows of the page: a header whose links stand
// over the second column, a row of buttons under a form. Such a row has lines on both sides of the
// gap, one of which lines up with nothing in its column, and stands further from the next row than
// the rows of the columns stand from each other. Empty when there is none.
std::vector<std::vector<Piece>> rowsOutsideColumns(const std::vector<std::vector<Piece>>& columns,
                                                   int height) {
    std::vector<Piece> items;
    for (const auto& column : columns)
        items.insert(items.end(), column.begin(), column.end());
    const auto rows = rowsOf(items);
    std::vector<int> tops, bottoms;
    for (const auto& row : rows) {
        tops.push_back(row.front().box.top()); // the rows are sorted by their tops
        bottoms.push_back(std::max_element(row.begin(), row.end(), [](const Piece& a, const Piece& b) {
                              return a.box.bottom() < b.box.bottom();
                          })->box.bottom());
    }
    const auto acrossAndAstray = [&](const std::vector<Piece>& row) {
        std::vector<std::size_t> in;
        bool astray = false;
        for (const Piece& piece : row) {
            in.push_back(partOf(columns, piece));
            astray = astray || !linesUp(piece, columns[in.back()], row, height);
        }
        std::sort(in.begin(), in.end());
        return astray && std::unique(in.begin(), in.end()) - in.begin() >= 2;
    };
    // The widest space between the rows [first, last].
    const auto widestGap = [&](std::size_t first, std::size_t last) {
        int widest = 0;
        for (std::size_t i = first; i < last; ++i)
            widest = std::max(widest, tops[i + 1] - bottoms[i]);
        return widest;
    };
    std::size_t first = 0, last = rows.size() - 1;
    if (last >= 2 && acrossAndAstray(rows[first]) && tops[1] - bottoms[0] > widestGap(1, last)) ++first;
    if (last >= first + 2 && acrossAndAstray(rows[last]) &&
        tops[last] - bottoms[last - 1] > widestGap(first, last - 1))
        --last;
    if (first == 0 && last == rows.size() - 1) return {};
    std::vector<std::vector<Piece>> parts;
    if (first > 0) parts.push_back(rows.front());
    parts.emplace_back();
    for (std::size_t i = first; i <= last; ++i)
        parts.back().insert(parts.back().end(), rows[i].begin(), rows[i].end());
    if (last < rows.size() - 1) parts.push_back(rows.back());
    return parts;
}

void order(std::vector<Piece> items, std::vector<Piece>& out) {
    if (items.size() <= 1) {
        out.insert(out.end(), items.begin(), items.end());
        return;
    }
    std::vector<int> heights;
    for (const Piece& piece : items)
        heights.push_back(piece.lineHeight);
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    const int height = heights[heights.size() / 2];
    auto parts = cut(items, Qt::Horizontal, int(columnGap * height));
    if (!parts.empty()) {
        if (auto rows = rowsAroundLonelyParts(parts); !rows.empty())
            parts = std::move(rows);
        else if (auto outside = rowsOutsideColumns(parts, height); !outside.empty())
            parts = std::move(outside);
    }
    if (parts.empty()) parts = cut(items, Qt::Vertical, 1);
    if (parts.empty()) {
        // Rows that overlap: top to bottom, then left to right.
        std::sort(items.begin(), items.end(), [](const Piece& a, const Piece& b) {
            return std::pair(a.box.top(), a.box.left()) < std::pair(b.box.top(), b.box.left());
        });
        out.insert(out.end(), items.begin(), items.end());
        return;
    }
    for (auto& part : parts)
        order(std::move(part), out);
}

} // namespace

std::vector<Piece> pieces(const std::vector<TextEngine::Block>& blocks, const PageInk& ink,
                          double widestSpace) {
    std::vector<Piece> result;
    for (const auto& block : blocks)
        for (const auto& line : block.lines) {
            std::vector<QRect> words = line.words;
            std::sort(words.begin(), words.end(),
                      [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
            if (words.empty()) continue;
            std::vector<int> heights;
            for (const QRect& word : words)
                heights.push_back(word.height());
            std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2),
                             heights.end());
            const int height = heights[heights.size() / 2];
            const auto tall = [&](const QRect& word) { return word.height() > tallWord * height; };
            std::erase_if(words, [&](const QRect& word) { return word.height() * speck < height; });
            QRect piece, last;
            for (const QRect& word : words) {
                if (!piece.isNull()) {
                    const int gap = word.left() - (piece.left() + piece.width());
                    const QRect between(piece.left() + piece.width(), std::min(piece.top(), word.top()), gap,
                                        std::max(piece.bottom(), word.bottom()) -
                                            std::min(piece.top(), word.top()) + 1);
                    if (tall(word) || tall(piece) || !sameRow(last, word) ||
                        (gap > widestSpace * height &&
                         ink.emptyWidth(between, height) > widestSpace * height) ||
                        ink.apart(last, word)) {
                        result.push_back({piece, tall(piece) ? piece.height() : height});
                        piece = QRect();
                    }
                }
                piece |= word;
                last = word;
            }
            if (!piece.isNull()) result.push_back({piece, tall(piece) ? piece.height() : height});
        }
    return joined(std::move(result), ink, widestSpace);
}

std::vector<Piece> joined(std::vector<Piece> result, const PageInk& ink, double widestSpace) {
    joinAcrossBlocks(result, ink, widestSpace);
    // A piece mostly inside another (a dash between two words the analysis kept apart) is read
    // with it.
    const auto area = [](const QRect& box) { return static_cast<long long>(box.width()) * box.height(); };
    for (std::size_t i = 0; i < result.size();) {
        bool absorbed = false;
        for (std::size_t j = 0; j < result.size() && !absorbed; ++j)
            if (j != i && area(result[i].box) <= area(result[j].box) &&
                2 * area(result[i].box & result[j].box) > area(result[i].box)) {
                result[j].box |= result[i].box;
                absorbed = true;
            }
        absorbed ? void(result.erase(result.begin() + std::ptrdiff_t(i))) : void(++i);
    }
    return result;
}

std::vector<Piece> readingOrder(std::vector<Piece> pieces) {
    std::vector<Piece> ordered;
    ordered.reserve(pieces.size());
    if (!pieces.empty()) order(std::move(pieces), ordered);
    return ordered;
}

} // namespace quorvane::PageLayout
